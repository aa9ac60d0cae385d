#include "support/test_web_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace {

// argv: folder [certificate key]. Prints the port, serves until its standard
// input closes.
const char* const kServerScript = R"PY(
import functools, http.server, ssl, sys, threading

class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

handler = functools.partial(Quiet, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
if len(sys.argv) > 3:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
)PY";

// Runs the program with the arguments, output discarded; its exit code, or -1.
int runQuietly(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = 0;
    const bool started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!started || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace

TestWebServer::TestWebServer(const std::string& folder, const std::string& certificate, const std::string& key)
    : secure_(!certificate.empty()) {
    int pipeEnds[2];
    int lifeline[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return;
    if (pipe2(lifeline, O_CLOEXEC) != 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return;
    }
    lifeline_ = lifeline[1];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, lifeline[0], 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = {"python3", "-c", kServerScript, folder};
    if (secure_) {
        args.push_back(certificate);
        args.push_back(key);
    }
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    close(lifeline[0]);
    FILE* out = pid_ > 0 ? fdopen(pipeEnds[0], "r") : nullptr;
    if (!out) {
        close(pipeEnds[0]);
        return;
    }
    // The first line the server prints is its port.
    char line[32] = {};
    if (std::fgets(line, sizeof line, out)) port_ = std::atoi(line);
    std::fclose(out);
}

TestWebServer::~TestWebServer() {
    if (lifeline_ >= 0) close(lifeline_);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

std::string TestWebServer::url(const std::string& path) const {
    return std::string(secure_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + path;
}

bool makeTestCertificate(const std::string& certificate, const std::string& key, const std::string& host) {
    const bool address = host.find_first_not_of("0123456789.") == std::string::npos;
    return runQuietly({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                       "/CN=" + host, "-addext", std::string("subjectAltName=") + (address ? "IP:" : "DNS:") + host,
                       "-keyout", key, "-out", certificate}) == 0;
}
