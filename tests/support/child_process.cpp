#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace {

int exitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::map<std::string, std::string>& overrides,
                           const std::string& folder, const std::string& outFile, const std::string& errFile) {
    if (args.empty()) return;
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (!overrides.count(text.substr(0, text.find('=')))) environment.push_back(text);
    }
    for (const auto& [name, value] : overrides) {
        if (!value.empty()) environment.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& text : environment) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings = args;
    std::vector<char*> argv;
    for (std::string& text : argStrings) argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const int create = O_WRONLY | O_CREAT | O_TRUNC;
    posix_spawn_file_actions_addopen(&actions, 1, outFile.empty() ? "/dev/null" : outFile.c_str(), create, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.empty() ? "/dev/null" : errFile.c_str(), create, 0644);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // PATH lookup with the child's own environment would miss a PATH override;
    // the test's PATH is the one meant.
    const std::string program = args[0].find('/') == std::string::npos ? findOnPath(args[0]) : args[0];
    if (program.empty() || posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    if (running()) kill(pid_, SIGTERM);
    wait();
}

bool ChildProcess::running() {
    if (pid_ <= 0) return false;
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == 0) return true;
    exitCode_ = done == pid_ ? exitCodeOf(status) : -1;
    pid_ = -1;
    return false;
}

int ChildProcess::wait() {
    if (pid_ > 0) {
        int status = 0;
        exitCode_ = waitpid(pid_, &status, 0) == pid_ ? exitCodeOf(status) : -1;
        pid_ = -1;
    }
    return exitCode_;
}

int runProgram(const std::vector<std::string>& args, const std::map<std::string, std::string>& overrides,
               const std::string& folder, const std::string& outFile, const std::string& errFile) {
    ChildProcess child(args, overrides, folder, outFile, errFile);
    return child.wait();
}

std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = folders.substr(start, end - start);
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return std::string();
}
