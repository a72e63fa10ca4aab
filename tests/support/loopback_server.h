#pragma once

// A real HTTP server on 127.0.0.1 for tests that download, on a port of its own, running on its own thread
// for the lifetime of the object.

#include <httplib.h>
#include <sys/socket.h>

#include <atomic>
#include <csignal>
#include <string>
#include <thread>

namespace kivo::test_support {

// The server writes to connections that clients have closed (a cancelled download, say); that must not
// end the test program.
inline const bool loopbackIgnoresBrokenPipes = [] {
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}();

class LoopbackServer {
public:
    LoopbackServer() {
        server_.set_tcp_nodelay(true);
        // The packaged build listens with a backlog of 5; concurrent tests would then stall at random.
        server_.set_socket_options([](socket_t fd) {
            int yes = 1;
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
    }
    ~LoopbackServer() { stop(); }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    httplib::Server& routes() { return server_; }

    // Binds to a free port and starts serving.
    void start() {
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) {
            std::this_thread::yield();
        }
    }

    void stop() {
        if (thread_.joinable()) {
            server_.stop();
            thread_.join();
        }
    }

    int port() const { return port_; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

} // namespace kivo::test_support
