// The log: one process-wide text file and an echo of most lines into the
// driver's message store. Opened by the entry before anything is loaded,
// closed after the frame loop. Every call but openLog is silent (echo
// included) while the file is not open.
//
// The file starts with the banner "ORVELLA log: version: 1, build: 1" without
// a line break, so the first logged line joins it; every later call writes one
// line. Lines are 8-bit and cut to 255 characters; wide text is narrowed by
// keeping the low byte of each character.
#pragma once

#include <string>

class Driver2D;

// Keeps the driver, refreshes its messages, creates (replaces) the file at
// path and writes the banner. When the file cannot be created the log stays
// closed for the run.
void openLog(Driver2D* driver, const std::string& path);
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

// Keeps the low byte of each character.
std::string narrowText(const std::u16string& text);
// Each byte becomes the 16-bit character of the same value.
std::u16string widenText(const std::string& text);
