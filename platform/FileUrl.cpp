#include "FileUrl.h"

#include "HostPath.h"

static bool isUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

static void appendEncoded(std::string &url, std::string_view bytes, bool keepSlash)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        if (isUnreserved(c) || (keepSlash && c == '/')) {
            url += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        url += '%';
        url += Hex[byte >> 4];
        url += Hex[byte & 0x0F];
    }
}

std::string UrlPathFromWindows(std::string_view relativePath, char separator)
{
    std::string url;
    size_t start = 0;
    for (;;) {
        const size_t end = relativePath.find_first_of("\\/", start);
        const std::string_view name = relativePath.substr(start, end == std::string_view::npos ? end : end - start);
        appendEncoded(url, HostNameFromWindows(name), false);
        if (end == std::string_view::npos)
            return url;
        url += separator;
        start = end + 1;
    }
}

std::string FileUrlFromWindows(std::string_view windowsPath)
{
    const std::string hostPath = HostPathFromWindows(windowsPath);
    if (hostPath.empty())
        return {};
    std::string url = "file://";
    appendEncoded(url, hostPath, true);
    return url;
}
