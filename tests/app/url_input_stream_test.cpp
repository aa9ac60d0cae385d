// The URL stream against a small HTTP server of the test's own, started on a
// free port of 127.0.0.1 and stopped when the test ends.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/open_stream.h"

extern char** environ;

namespace {

const char* const kServerScript = R"PY(
import http.server, sys, threading

def pattern(n):
    return bytes((i * 7 + i // 256) & 0xFF for i in range(n))

class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, code, body, length=None, extra=()):
        self.send_response(code)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body) if length is None else length))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        p = self.path
        if p == "/body":
            self.answer(200, b"#VRML V2.0 utf8\nShape {}\n")
        elif p == "/empty":
            self.answer(200, b"")
        elif p == "/exact":
            self.answer(200, pattern(8192))
        elif p == "/large":
            self.answer(200, pattern(20000))
        elif p == "/missing":
            self.answer(404, b"<html>not here</html>")
        elif p == "/redirect":
            self.answer(302, b"", extra=[("Location", "/body")])
        elif p == "/headers":
            h = self.headers
            text = "agent=%s\ncache=%s\npragma=%s\n" % (
                h.get("User-Agent"), h.get("Cache-Control"), h.get("Pragma"))
            self.answer(200, text.encode())
        elif p == "/truncated":
            # Promise 20000 bytes, send 10000, then drop the connection.
            self.answer(200, pattern(10000), length=20000)
            self.wfile.flush()
            self.close_connection = True
        elif p.startswith("/echo/"):
            self.answer(200, p.encode())
        else:
            self.answer(404, b"")

server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
# The test holds the other end of standard input: when it ends, however it
# ends, the server ends too.
sys.stdin.read()
)PY";

// The test server: one python3 process, ended by its process id.
class HttpServer {
public:
    HttpServer() {
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
        char python[] = "python3";
        char flag[] = "-c";
        std::string script = kServerScript;
        char* argv[] = {python, flag, script.data(), nullptr};
        if (posix_spawnp(&pid_, "python3", &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        close(lifeline[0]);
        if (pid_ > 0) {
            // The first line the server prints is its port.
            FILE* out = fdopen(pipeEnds[0], "r");
            char line[32] = {};
            if (out && std::fgets(line, sizeof line, out)) port_ = std::atoi(line);
            if (out) std::fclose(out);
            else close(pipeEnds[0]);
        } else {
            close(pipeEnds[0]);
        }
    }
    ~HttpServer() {
        if (lifeline_ >= 0) close(lifeline_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    bool running() const { return pid_ > 0 && port_ > 0; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    int lifeline_ = -1;  // write end of the server's standard input
};

std::string pattern(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return out;
}

std::string drain(InputStream& stream) {
    std::string out;
    for (int32_t c; (c = stream.read()) != -1;) out.push_back(static_cast<char>(c));
    return out;
}

// Opens the URL, reads it to the end and checks that the end is final.
std::string fetch(const std::string& url, bool* opened) {
    std::unique_ptr<InputStream> stream = openStream(url);
    *opened = stream != nullptr;
    if (!stream) return std::string();
    std::string body = drain(*stream);
    EXPECT_EQ(stream->read(), -1);
    EXPECT_EQ(stream->read(), -1);
    return body;
}

// A port of 127.0.0.1 on which nothing listens.
int closedPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(s);
    return port;
}

class UrlInputStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The loopback server is reached directly even where a proxy is configured.
        setenv("no_proxy", "127.0.0.1,localhost", 1);
        setenv("NO_PROXY", "127.0.0.1,localhost", 1);
        if (!server_.running()) GTEST_SKIP() << "python3 is needed for the test server";
    }
    HttpServer server_;
};

TEST_F(UrlInputStreamTest, BodiesOfEveryLength) {
    struct Case {
        const char* path;
        std::string body;
    };
    const Case cases[] = {
        {"/body", "#VRML V2.0 utf8\nShape {}\n"},
        {"/empty", ""},
        {"/exact", pattern(8192)},
        {"/large", pattern(20000)},
        {"/redirect", "#VRML V2.0 utf8\nShape {}\n"},  // redirects are followed
        {"/missing", "<html>not here</html>"},         // the status is not examined
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        bool opened = false;
        EXPECT_EQ(fetch(server_.url(c.path), &opened), c.body);
        EXPECT_TRUE(opened);
    }
}

TEST_F(UrlInputStreamTest, SendsTheAgentAndAsksForNoCache) {
    bool opened = false;
    EXPECT_EQ(fetch(server_.url("/headers"), &opened), "agent=Orvella\ncache=no-cache\npragma=no-cache\n");
}

TEST_F(UrlInputStreamTest, ADroppedConnectionEndsTheDataAfterWhatArrived) {
    bool opened = false;
    const std::string body = fetch(server_.url("/truncated"), &opened);
    EXPECT_TRUE(opened);
    EXPECT_EQ(body.size(), 10000u);
    EXPECT_EQ(body, pattern(10000));
}

TEST_F(UrlInputStreamTest, LongUrlsAreCutTo255Characters) {
    const std::string base = server_.url("/echo/");
    const std::string url = base + std::string(400, 'p');
    bool opened = false;
    const std::string body = fetch(url, &opened);
    ASSERT_TRUE(opened);
    EXPECT_EQ(body, "/echo/" + std::string(255 - base.size(), 'p'));
}

TEST_F(UrlInputStreamTest, UnreachableServersGiveNull) {
    const int port = closedPort();
    ASSERT_GT(port, 0);
    EXPECT_EQ(openStream("http://127.0.0.1:" + std::to_string(port) + "/world.wrl"), nullptr);
    EXPECT_EQ(openStream("http://"), nullptr);              // no host at all
    EXPECT_EQ(openStream("http://127.0.0.1:99999/"), nullptr);  // no such port
}

TEST_F(UrlInputStreamTest, CloseBeforeTheEndStopsTheTransfer) {
    std::unique_ptr<InputStream> stream = openStream(server_.url("/large"));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->read(), 0);  // pattern(20000) starts with a 0 byte
    EXPECT_EQ(stream->read(), 7);
    stream->close();
    EXPECT_EQ(stream->read(), -1);
}

}  // namespace
