// The log: one process-wide text file and an echo of most lines into the
// driver's message store. Opened by the entry before anything is loaded,
// closed after the frame loop. Every call but openLog is silent (echo
// included) while the file is not open.
//
// Every layer logs through here; the only thing the log knows of the layers
// above is the echo, an interface the entry hands to openLog (the driver).
//
// The file starts with the banner "ORVELLA log: version: 1, build: 1" without
// a line break, so the first logged line joins it; every later call writes one
// line. Lines are 8-bit and cut to 255 characters; wide text is narrowed by
// keeping the low byte of each character.
#pragma once

#include <string>

#include "base/text.h"

// Where most log lines are echoed besides the file: the driver's message
// store.
class LogEcho {
public:
    virtual ~LogEcho() = default;
    // Keeps a copy of a log line.
    virtual void addMessage(const char* text) = 0;
    // Shows the kept lines; no visible effect on the desktop.
    virtual void refreshMessages() = 0;
};

// Keeps the echo (not owned; may be null), refreshes its messages, creates
// (replaces) the file at path and writes the banner. When the file cannot be
// created the log stays closed for the run.
void openLog(LogEcho* echo, const std::string& path);
// Writes what is buffered to the file; safe to call at any time.
void flushLog();
// Closes the file if open; buffered lines reach the file here at the latest.
void closeLog();
bool logIsOpen();

// Fixed text (a name, a command line): written as it stands, "%" included.
void logFormat(const char* text);
// A format with one placeholder (%s, %d) filled with the argument; "%%" is a
// percent sign. A placeholder that does not fit the argument, or any after the
// first, is written as plain text, never filled from a missing argument.
void logFormat(const char* format, const char* argument);
void logFormat(const char* format, long argument);
// "* " + formatted text to the file; the text without "* " to the store, then
// a refresh of the driver's messages.
void logStarred(const char* format, const char* argument);
// Narrowed wide text: to the file and the store / the file only / the file,
// the store and a refresh.
void logText(const std::u16string& text);
void logTextFileOnly(const std::u16string& text);
void logTextAlert(const std::u16string& text);
