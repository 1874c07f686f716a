#pragma once
// GBK to UTF-8 for tests of code that takes an AnsiDecoder: the system's
// converter, as the program passes it (code page 936), or iconv on the host.
#include <string>

#ifdef _WIN32
#include <windows.h>

inline std::string GbkToUtf8(const std::string& bytes) {
    if (bytes.empty()) return std::string();
    const int units = MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], units);
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, &out[0], size, nullptr, nullptr);
    return out;
}
#else
#include <iconv.h>

#include <cstring>

inline std::string GbkToUtf8(const std::string& bytes) {
    iconv_t converter = iconv_open("UTF-8", "GBK");
    std::string out(bytes.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* at = &out[0];
    std::size_t outLeft = out.size();
    while (inLeft > 0 && iconv(converter, &in, &inLeft, &at, &outLeft) == static_cast<std::size_t>(-1)) {
        // An unmappable byte: U+FFFD, as the system's converter gives.
        if (outLeft < 3) break;
        std::memcpy(at, "\xEF\xBF\xBD", 3);
        at += 3;
        outLeft -= 3;
        ++in;
        --inLeft;
    }
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}
#endif
