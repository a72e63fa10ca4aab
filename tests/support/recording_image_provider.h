#pragma once

// A host's image provider that downloads nothing: it records every task it hands out, with the URL the
// task was asked to load and its completion, so that a test decides when and with what each completes.

#include <kivo/views/image_loading.h>
#include <ui/graphics/image.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivo::test_support {

class RecordingImageProvider : public KIVOImageDownloadTaskProvider {
public:
    struct Task : KIVOImageDownloadTask {
        std::optional<ui::URL> url;
        Completion completion;
        int cancelCount = 0;

        void loadImageWithURL(const ui::URL& requested, Completion done) override {
            url = requested;
            completion = std::move(done);
        }
        void cancel() override { ++cancelCount; }

        // Delivers a result the way a real task does: once.
        void complete(std::shared_ptr<ui::Image> image, std::optional<std::string> error = std::nullopt) {
            auto done = std::move(completion);
            completion = nullptr;
            if (done) {
                done(std::move(image), std::move(error));
            }
        }
    };

    std::shared_ptr<KIVOImageDownloadTask> newImageDownloadTask() override {
        if (refuse) {
            return nullptr;
        }
        tasks.push_back(std::make_shared<Task>());
        return tasks.back();
    }

    // Tasks for `url`, oldest first.
    std::vector<std::shared_ptr<Task>> tasksFor(const std::string& url) const {
        std::vector<std::shared_ptr<Task>> found;
        for (const auto& task : tasks) {
            if (task->url && task->url->string() == url) {
                found.push_back(task);
            }
        }
        return found;
    }

    // Completes every task still waiting with a picture of one colour, `size` points.
    void completeAll(ui::Size size, ui::Color color) {
        for (const auto& task : tasks) {
            if (task->completion) {
                task->complete(ui::Image::filled(size, color));
            }
        }
    }

    bool refuse = false;
    std::vector<std::shared_ptr<Task>> tasks;
};

} // namespace kivo::test_support
