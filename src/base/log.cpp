// The one process-wide log record and its line writers.
//
// Formatting never hands a caller's format string to printf as it stands: a
// format is scanned here, its first placeholder that fits the argument's kind
// is filled through a single-conversion printf, and everything else (a second
// placeholder, a "%s" given a number, a "%n") is written as plain text. So a
// name with a percent sign, or a format with one placeholder too many, can
// never read a missing argument.
#include "base/log.h"

#include <algorithm>
#include <cstdio>
#include <cstring>


namespace {

constexpr std::size_t kMaxLine = 255;
constexpr int kLogVersion = 1;
constexpr int kLogBuild = 1;

// The one process-wide log record.
struct LogRecord {
    std::FILE* file = nullptr;
    LogEcho* echo = nullptr;  // not owned
};
LogRecord logRecord;

std::string cut(std::string text) {
    if (text.size() > kMaxLine) text.resize(kMaxLine);
    return text;
}

// Writes one line to the file and, when asked, echoes it to the driver.
void writeLine(const char* prefix, const std::string& text, bool echo, bool refresh) {
    if (!logRecord.file) return;
    std::fputs(prefix, logRecord.file);
    std::fputs(text.c_str(), logRecord.file);
    std::fputc('\n', logRecord.file);
    if (!logRecord.echo) return;
    if (echo) logRecord.echo->addMessage(text.c_str());
    if (refresh) logRecord.echo->refreshMessages();
}

// The argument of a one-placeholder format: a string or an integer.
struct FormatArgument {
    const char* text = nullptr;  // not owned; used when isText
    long number = 0;
    bool isText = false;
};

bool isIntegerConversion(char c) { return std::strchr("diouxXc", c) != nullptr; }

// Fills one conversion ("%" flags width precision conversion, length dropped)
// with the argument. Width and precision are capped so that the result stays
// within one log line.
std::string fillConversion(const std::string& flags, int width, int precision, char conversion,
                           const FormatArgument& argument) {
    const int cap = static_cast<int>(kMaxLine);
    std::string conversionText = "%";
    conversionText.append(flags);
    if (width >= 0) conversionText.append(std::to_string(std::min(width, cap)));
    if (precision >= 0) {
        conversionText.push_back('.');
        conversionText.append(std::to_string(std::min(precision, cap)));
    }
    char buffer[kMaxLine + 1];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    if (argument.isText) {
        conversionText += 's';
        std::snprintf(buffer, sizeof buffer, conversionText.c_str(), argument.text);
    } else if (conversion == 'c') {
        conversionText += 'c';
        std::snprintf(buffer, sizeof buffer, conversionText.c_str(), static_cast<int>(argument.number));
    } else {
        conversionText += 'l';
        conversionText += conversion;
        std::snprintf(buffer, sizeof buffer, conversionText.c_str(), argument.number);
    }
#pragma GCC diagnostic pop
    return buffer;
}

// Reads a decimal field of a conversion; -1 when there is none.
int readCount(const char* format, std::size_t& i) {
    if (format[i] < '0' || format[i] > '9') return -1;
    int value = 0;
    while (format[i] >= '0' && format[i] <= '9') {
        if (value < 100000) value = value * 10 + (format[i] - '0');
        ++i;
    }
    return value;
}

// The format with its first fitting placeholder filled, cut to one log line.
std::string formatLine(const char* format, const FormatArgument& argument) {
    if (!format) return std::string();
    std::string out;
    bool filled = false;
    std::size_t i = 0;
    while (format[i] != '\0' && out.size() <= kMaxLine) {
        if (format[i] != '%') {
            out.push_back(format[i++]);
            continue;
        }
        if (format[i + 1] == '%') {
            out.push_back('%');
            i += 2;
            continue;
        }
        const std::size_t start = i++;
        std::string flags;
        while (format[i] != '\0' && std::strchr("-+ #0", format[i])) flags.push_back(format[i++]);
        const int width = readCount(format, i);
        int precision = -1;
        if (format[i] == '.') {
            ++i;
            precision = readCount(format, i);
            if (precision < 0) precision = 0;
        }
        while (format[i] != '\0' && std::strchr("hlLqjzt", format[i])) ++i;
        const char conversion = format[i];
        if (conversion == '\0') {
            out.append(format + start, i - start);
            break;
        }
        ++i;
        const bool fits = argument.isText ? conversion == 's' : isIntegerConversion(conversion);
        if (!filled && fits) {
            out += fillConversion(flags, width, precision, conversion, argument);
            filled = true;
        } else {
            out.append(format + start, i - start);
        }
    }
    return cut(out);
}

}  // namespace

void openLog(LogEcho* echo, const std::string& path) {
    closeLog();
    logRecord.echo = echo;
    if (echo) echo->refreshMessages();
    logRecord.file = std::fopen(path.c_str(), "w");
    if (!logRecord.file) return;
    std::fprintf(logRecord.file, "ORVELLA log: version: %d, build: %d", kLogVersion, kLogBuild);
}

void closeLog() {
    if (logRecord.file) std::fclose(logRecord.file);
    logRecord.file = nullptr;
    logRecord.echo = nullptr;
}

void flushLog() {
    if (logRecord.file) std::fflush(logRecord.file);
}

bool logIsOpen() { return logRecord.file != nullptr; }

void logFormat(const char* text) { writeLine("", cut(text ? text : ""), true, false); }

void logFormat(const char* format, const char* argument) {
    writeLine("", formatLine(format, {argument ? argument : "", 0, true}), true, false);
}

void logFormat(const char* format, long argument) {
    writeLine("", formatLine(format, {nullptr, argument, false}), true, false);
}

void logStarred(const char* format, const char* argument) {
    writeLine("* ", formatLine(format, {argument ? argument : "", 0, true}), true, true);
}

void logText(const std::u16string& text) { writeLine("", cut(narrowText(text)), true, false); }

void logTextFileOnly(const std::u16string& text) { writeLine("", cut(narrowText(text)), false, false); }

void logTextAlert(const std::u16string& text) { writeLine("", cut(narrowText(text)), true, true); }
