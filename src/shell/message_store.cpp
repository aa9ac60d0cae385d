#include "shell/message_store.h"

#include <cstring>

void MessageStore::add(const char* text) {
    for (int i = 0; i + 1 < kLines; ++i) std::memcpy(lines_[i], lines_[i + 1], kLineBytes);
    char* newest = lines_[kLines - 1];
    std::size_t length = text ? std::strlen(text) : 0;
    if (length > kLineBytes - 1) length = kLineBytes - 1;
    if (length > 0) std::memcpy(newest, text, length);
    newest[length] = '\0';
}
