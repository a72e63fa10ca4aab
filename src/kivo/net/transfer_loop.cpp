#include "kivo/net/transfer_loop.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>
#include <utility>

namespace kivo::net::detail {

void initialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TransferLoop::Job {
    Id id = 0;
    std::string url;
    Done done;
    CURL* easy = nullptr;
    std::vector<unsigned char> body;
    std::size_t maxBodyBytes = 0;
    bool overLimit = false;
    bool reserved = false;
    std::atomic<bool> cancelled{false};
    const std::atomic<bool>* stopping = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};
};

namespace {

CURLM* multiOf(void* handle) {
    return static_cast<CURLM*>(handle);
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& job = *static_cast<TransferLoop::Job*>(user);
    const std::size_t n = size * count;
    // The size option only looks at an announced length; a body sent without one is counted here.
    if (n > job.maxBodyBytes - job.body.size()) {
        job.overLimit = true;
        return 0;
    }
    if (!job.reserved) {
        job.reserved = true;
        curl_off_t announced = -1;
        if (curl_easy_getinfo(job.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK &&
            announced > 0) {
            job.body.reserve(std::min(static_cast<std::size_t>(announced), job.maxBodyBytes));
        }
    }
    job.body.insert(job.body.end(), data, data + n);
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& job = *static_cast<const TransferLoop::Job*>(user);
    // Non-zero aborts the transfer with CURLE_ABORTED_BY_CALLBACK.
    return job.cancelled.load(std::memory_order_relaxed) || job.stopping->load(std::memory_order_relaxed) ? 1
                                                                                                          : 0;
}

// libcurl's error buffer text without its trailing line break.
std::string trimmed(const char* text) {
    std::string out = text;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

std::string withDetail(const char* what, const char* detail) {
    std::string text = what;
    if (detail != nullptr && detail[0] != '\0') {
        text += " (" + trimmed(detail) + ")";
    }
    return text;
}

} // namespace

TransferLoop::TransferLoop(TransferLimits limits) : limits_(std::move(limits)) {
    initialiseCurl();
    multi_ = curl_multi_init();
    if (multi_ != nullptr) {
        thread_ = std::thread([this] { run(); });
    }
}

TransferLoop::~TransferLoop() {
    stopping_.store(true);
    if (multi_ != nullptr) {
        curl_multi_wakeup(multiOf(multi_));
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    if (multi_ != nullptr) {
        curl_multi_cleanup(multiOf(multi_));
    }
}

TransferLoop::Id TransferLoop::start(std::string url, Done done) {
    if (multi_ == nullptr) {
        return 0;
    }
    auto job = std::make_unique<Job>();
    job->url = std::move(url);
    job->done = std::move(done);
    job->maxBodyBytes = std::max<std::size_t>(limits_.maxBodyBytes, 1);
    job->stopping = &stopping_;
    Id id = 0;
    {
        std::lock_guard lock(mutex_);
        id = ++lastId_;
        job->id = id;
        jobs_.emplace(id, job.get());
        incoming_.push_back(std::move(job));
    }
    curl_multi_wakeup(multiOf(multi_));
    return id;
}

void TransferLoop::cancel(Id id) {
    {
        std::lock_guard lock(mutex_);
        const auto found = jobs_.find(id);
        if (found == jobs_.end()) {
            return;
        }
        found->second->cancelled.store(true);
    }
    curl_multi_wakeup(multiOf(multi_));
}

void TransferLoop::run() {
    CURLM* multi = multiOf(multi_);
    while (!stopping_.load()) {
        std::vector<std::unique_ptr<Job>> arrived;
        {
            std::lock_guard lock(mutex_);
            arrived.swap(incoming_);
        }
        for (std::unique_ptr<Job>& job : arrived) {
            begin(std::move(job));
        }

        // Cancelled transfers leave the multi handle now; a connection in the middle of a response is
        // closed by that.
        std::vector<std::unique_ptr<Job>> cancelled;
        for (auto it = active_.begin(); it != active_.end();) {
            if (it->second->cancelled.load()) {
                curl_multi_remove_handle(multi, it->second->easy);
                cancelled.push_back(std::move(it->second));
                it = active_.erase(it);
            } else {
                ++it;
            }
        }
        for (std::unique_ptr<Job>& job : cancelled) {
            finish(std::move(job), TransferResult{TransferResult::Outcome::cancelled, {}, {}});
        }

        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE) {
                continue;
            }
            CURL* easy = message->easy_handle;
            const CURLcode code = message->data.result;
            Job* raw = nullptr;
            curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
            curl_multi_remove_handle(multi, easy);
            if (raw == nullptr) {
                continue;
            }
            const auto found = active_.find(raw->id);
            if (found == active_.end()) {
                continue;
            }
            std::unique_ptr<Job> job = std::move(found->second);
            active_.erase(found);
            TransferResult result = resultOf(*job, code);
            finish(std::move(job), std::move(result));
        }

        // Sleeps until a socket is ready, curl's next timeout, or a wake-up from start, cancel or the
        // destructor.
        curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }

    // Shutting down: no `done` is called any more.
    for (auto& [id, job] : active_) {
        curl_multi_remove_handle(multi, job->easy);
        curl_easy_cleanup(job->easy);
        job->easy = nullptr;
    }
    active_.clear();
    std::lock_guard lock(mutex_);
    incoming_.clear();
    jobs_.clear();
}

void TransferLoop::begin(std::unique_ptr<Job> job) {
    if (job->cancelled.load()) {
        finish(std::move(job), TransferResult{TransferResult::Outcome::cancelled, {}, {}});
        return;
    }
    CURL* easy = curl_easy_init();
    if (easy == nullptr) {
        finish(std::move(job),
               TransferResult{TransferResult::Outcome::failed, {}, "libcurl could not create a transfer"});
        return;
    }
    job->easy = easy;
    curl_easy_setopt(easy, CURLOPT_URL, job->url.c_str());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, job.get());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, std::max(limits_.maxRedirects, 0L));
    if (limits_.connectTimeout.count() > 0) {
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits_.connectTimeout.count()));
    }
    if (limits_.totalTimeout.count() > 0) {
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limits_.totalTimeout.count()));
    }
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(job->maxBodyBytes));
    // Statuses of 400 and above end the transfer before their body is read.
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    // Every encoding libcurl can decode; the body limit applies to the decoded bytes.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    if (!limits_.userAgent.empty()) {
        curl_easy_setopt(easy, CURLOPT_USERAGENT, limits_.userAgent.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, job.get());
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, job.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, job->errorText);

    if (curl_multi_add_handle(multiOf(multi_), easy) != CURLM_OK) {
        finish(std::move(job),
               TransferResult{TransferResult::Outcome::failed, {}, "libcurl could not start the transfer"});
        return;
    }
    const Id id = job->id;
    active_.emplace(id, std::move(job));
}

void TransferLoop::finish(std::unique_ptr<Job> job, TransferResult result) {
    if (job->easy != nullptr) {
        curl_easy_cleanup(job->easy);
        job->easy = nullptr;
    }
    {
        std::lock_guard lock(mutex_);
        jobs_.erase(job->id);
    }
    Done done = std::move(job->done);
    job.reset();
    if (done) {
        done(std::move(result));
    }
}

TransferResult TransferLoop::resultOf(Job& job, int codeValue) {
    const auto code = static_cast<CURLcode>(codeValue);
    TransferResult result;
    long status = 0;
    curl_easy_getinfo(job.easy, CURLINFO_RESPONSE_CODE, &status);
    const std::string limit = std::to_string(job.maxBodyBytes);
    switch (code) {
    case CURLE_OK:
        if (status < 200 || status >= 300) {
            result.error = "the server answered with HTTP status " + std::to_string(status);
            return result;
        }
        result.outcome = TransferResult::Outcome::completed;
        result.body = std::move(job.body);
        return result;
    case CURLE_HTTP_RETURNED_ERROR:
        result.error = "the server answered with HTTP status " + std::to_string(status);
        return result;
    case CURLE_FILESIZE_EXCEEDED:
        result.error = "the response is larger than the limit of " + limit + " bytes";
        return result;
    case CURLE_WRITE_ERROR:
        result.error = job.overLimit ? "the response is larger than the limit of " + limit + " bytes"
                                     : withDetail("the response could not be stored", job.errorText);
        return result;
    case CURLE_PARTIAL_FILE: {
        curl_off_t announced = -1;
        curl_easy_getinfo(job.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        result.error = "the connection closed after " + std::to_string(job.body.size()) + " bytes";
        if (announced >= 0) {
            result.error += " of the " + std::to_string(announced) + " announced";
        }
        return result;
    }
    case CURLE_OPERATION_TIMEDOUT:
        result.error = withDetail("the transfer timed out", job.errorText);
        return result;
    case CURLE_TOO_MANY_REDIRECTS:
        result.error = "more than " + std::to_string(std::max(limits_.maxRedirects, 0L)) + " redirects";
        return result;
    case CURLE_UNSUPPORTED_PROTOCOL:
        result.error =
            withDetail("a redirect or URL led to a protocol other than http or https", job.errorText);
        return result;
    case CURLE_ABORTED_BY_CALLBACK:
        result.outcome = TransferResult::Outcome::cancelled;
        return result;
    default:
        // libcurl's own text for the transfer says the most ("Failed to connect to 127.0.0.1 port 9 after
        // 0 ms: Connection refused"); the code's general text stands in when there is none.
        result.error =
            job.errorText[0] != '\0' ? trimmed(job.errorText) : std::string(curl_easy_strerror(code));
        return result;
    }
}

} // namespace kivo::net::detail
