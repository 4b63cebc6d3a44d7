#pragma once
// printf into a std::string, for status lines and report texts. Header-only
// so that every layer can use it without linking the platform library.

#include <cstdarg>
#include <cstdio>
#include <string>

#if defined(__GNUC__)
#define QV_PRINTF_LIKE(formatIndex, firstArgument) __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define QV_PRINTF_LIKE(formatIndex, firstArgument)
#endif

// Appends the formatted text to `text`, however long it is.
inline void AppendFormatV(std::string& text, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return;
    const size_t old = text.size();
    text.resize(old + size_t(length) + 1);
    std::vsnprintf(text.data() + old, size_t(length) + 1, format, args);
    text.resize(old + size_t(length));
}

QV_PRINTF_LIKE(2, 3) inline void AppendFormat(std::string& text, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(text, format, args);
    va_end(args);
}

QV_PRINTF_LIKE(1, 2) inline std::string Format(const char* format, ...) {
    std::string text;
    va_list args;
    va_start(args, format);
    AppendFormatV(text, format, args);
    va_end(args);
    return text;
}
