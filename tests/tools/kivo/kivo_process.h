#pragma once

// Runs the real `kivo` binary in a scratch directory and captures what it prints and how it exits.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef KIVO_CLI_PATH
#error "KIVO_CLI_PATH must name the kivo executable"
#endif

namespace kivo::cli::testing {

struct ProcessResult {
    // The exit status, or 128 + the signal number when the process was killed by a signal.
    int exitCode = -1;
    bool signaled = false;
    std::string out;
    std::string err;
};

inline std::string readFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh directory for one test's documents and the tool's captured output, removed afterwards.
class KivoCLITest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kivo-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << "mkdtemp failed: errno " << errno;
        dir_ = pattern;
        std::filesystem::create_directory(dir_ / "docs");
    }

    void TearDown() override {
        if (!dir_.empty()) {
            std::error_code ignored;
            // Restore permissions a test may have taken away so that the tree can be removed.
            for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_, ignored)) {
                std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ignored);
            }
            std::filesystem::remove_all(dir_, ignored);
        }
    }

    // Writes `bytes` to docs/`name`; the tool runs in docs/, so `name` is also the argument to pass.
    std::filesystem::path writeDocument(const std::string& name, const std::string& bytes) {
        const auto path = dir_ / "docs" / name;
        std::ofstream out(path, std::ios::binary);
        out << bytes;
        out.close();
        EXPECT_TRUE(out.good()) << "could not write " << path;
        return path;
    }

    std::filesystem::path docs() const { return dir_ / "docs"; }

    // Runs `kivo args...` with docs/ as the working directory.
    ProcessResult runKivo(const std::vector<std::string>& args) {
        const auto outPath = dir_ / "stdout.txt";
        const auto errPath = dir_ / "stderr.txt";
        std::vector<std::string> argvStrings{KIVO_CLI_PATH};
        argvStrings.insert(argvStrings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& arg : argvStrings) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const std::string workDir = docs().string();
        const std::string outFile = outPath.string();
        const std::string errFile = errPath.string();

        ProcessResult result;
        const pid_t pid = ::fork();
        if (pid < 0) {
            ADD_FAILURE() << "fork failed: errno " << errno;
            return result;
        }
        if (pid == 0) {
            // Only async-signal-safe calls between fork and exec.
            const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || err < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0 ||
                ::chdir(workDir.c_str()) != 0) {
                ::_exit(126);
            }
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) {
                ADD_FAILURE() << "waitpid failed: errno " << errno;
                return result;
            }
        }
        if (WIFEXITED(status)) {
            result.exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            result.signaled = true;
            result.exitCode = 128 + WTERMSIG(status);
        }
        result.out = readFileBytes(outPath);
        result.err = readFileBytes(errPath);
        return result;
    }

    std::filesystem::path dir_;
};

// Every run must end on its own: a signal means the tool crashed.
#define EXPECT_EXITED_WITH(result, code)                                                                     \
    do {                                                                                                     \
        EXPECT_FALSE((result).signaled) << "kivo was killed by a signal; stderr: " << (result).err;          \
        EXPECT_EQ((result).exitCode, (code)) << "stdout: " << (result).out << "\nstderr: " << (result).err;  \
    } while (false)

} // namespace kivo::cli::testing
