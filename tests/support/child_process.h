// Other programs run by tests (cmake, Xvfb, an installed viewer): started
// with posix_spawnp, in a chosen folder, with chosen environment entries,
// their output caught in files, and ended by their own process id.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

class ChildProcess {
public:
    // Starts args[0] (looked up on PATH) with the arguments. Entries of
    // overrides replace the inherited ones (an empty value removes one); an
    // empty folder keeps the test's own. Standard input is /dev/null;
    // standard output and error go to the files (or /dev/null when empty).
    ChildProcess(const std::vector<std::string>& args, const std::map<std::string, std::string>& overrides = {},
                 const std::string& folder = std::string(), const std::string& outFile = std::string(),
                 const std::string& errFile = std::string());
    // Ends the process (SIGTERM) when it still runs, and waits for it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // The process id while it runs, else -1.
    pid_t pid() const { return pid_; }
    // True while the process runs (it has not been waited for).
    bool running();
    // Waits for the end: the exit code, 128 + the signal, or -1 when it
    // never started.
    int wait();

private:
    pid_t pid_ = -1;
    int exitCode_ = -1;
};

// Runs the program to its end; its exit code (see ChildProcess::wait).
int runProgram(const std::vector<std::string>& args, const std::map<std::string, std::string>& overrides = {},
               const std::string& folder = std::string(), const std::string& outFile = std::string(),
               const std::string& errFile = std::string());

// The full path of the program on PATH, or empty.
std::string findOnPath(const std::string& program);
