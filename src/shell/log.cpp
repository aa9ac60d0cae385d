#include "shell/log.h"

#include <cstdio>

#include "app/driver2d.h"

namespace {

constexpr std::size_t kMaxLine = 255;
constexpr int kLogVersion = 1;
constexpr int kLogBuild = 1;

// The one process-wide log record.
struct LogRecord {
    std::FILE* file = nullptr;
    Driver2D* driver = nullptr;  // not owned
};
LogRecord logRecord;

std::string cut(std::string text) {
    if (text.size() > kMaxLine) text.resize(kMaxLine);
    return text;
}

// Writes one line to the file and, when asked, echoes it to the driver.
void writeLine(const std::string& prefix, const std::string& text, bool echo, bool refresh) {
    if (!logRecord.file) return;
    std::fputs(prefix.c_str(), logRecord.file);
    std::fputs(text.c_str(), logRecord.file);
    std::fputc('\n', logRecord.file);
    if (!logRecord.driver) return;
    if (echo) logRecord.driver->addMessage(text.c_str());
    if (refresh) logRecord.driver->refreshMessages();
}

template <class Argument>
std::string format(const char* format, Argument argument) {
    char buffer[kMaxLine + 1];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    std::snprintf(buffer, sizeof buffer, format, argument);
#pragma GCC diagnostic pop
    return buffer;
}

}  // namespace

std::string narrowText(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(static_cast<char>(c & 0xFF));
    return out;
}

std::u16string widenText(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

void openLog(Driver2D* driver, const std::string& path) {
    closeLog();
    logRecord.driver = driver;
    if (driver) driver->refreshMessages();
    logRecord.file = std::fopen(path.c_str(), "w");
    if (!logRecord.file) return;
    std::fprintf(logRecord.file, "ORVELLA log: version: %d, build: %d", kLogVersion, kLogBuild);
}

void closeLog() {
    if (logRecord.file) std::fclose(logRecord.file);
    logRecord.file = nullptr;
}

bool logIsOpen() { return logRecord.file != nullptr; }

void logFormat(const char* text) { writeLine("", cut(text ? text : ""), true, false); }

void logFormat(const char* format_, const char* argument) {
    writeLine("", format(format_, argument ? argument : ""), true, false);
}

void logFormat(const char* format_, long argument) { writeLine("", format(format_, argument), true, false); }

void logStarred(const char* format_, const char* argument) {
    writeLine("* ", format(format_, argument ? argument : ""), true, true);
}

void logText(const std::u16string& text) { writeLine("", cut(narrowText(text)), true, false); }

void logTextFileOnly(const std::u16string& text) { writeLine("", cut(narrowText(text)), false, false); }

void logTextAlert(const std::u16string& text) { writeLine("", cut(narrowText(text)), true, true); }
