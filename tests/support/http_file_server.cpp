#include "support/http_file_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

extern char** environ;

namespace {

const char* const kServerScript = R"PY(
import functools, http.server, sys, threading

class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

handler = functools.partial(Quiet, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
)PY";

}  // namespace

HttpFileServer::HttpFileServer(const std::string& folder) {
    int portPipe[2];
    int lifeline[2];
    if (pipe2(portPipe, O_CLOEXEC) != 0) return;
    if (pipe2(lifeline, O_CLOEXEC) != 0) {
        close(portPipe[0]);
        close(portPipe[1]);
        return;
    }
    lifeline_ = lifeline[1];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, lifeline[0], 0);
    posix_spawn_file_actions_adddup2(&actions, portPipe[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string python = "python3";
    std::string flag = "-c";
    std::string script = kServerScript;
    std::string root = folder;
    char* argv[] = {python.data(), flag.data(), script.data(), root.data(), nullptr};
    if (posix_spawnp(&pid_, "python3", &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(portPipe[1]);
    close(lifeline[0]);
    FILE* out = pid_ > 0 ? fdopen(portPipe[0], "r") : nullptr;
    if (!out) {
        close(portPipe[0]);
        return;
    }
    char line[32] = {};
    if (std::fgets(line, sizeof line, out)) port_ = std::atoi(line);
    std::fclose(out);
}

HttpFileServer::~HttpFileServer() {
    if (lifeline_ >= 0) close(lifeline_);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

std::string HttpFileServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}
