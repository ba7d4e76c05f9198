#pragma once

#include <string>
#include <string_view>

// Windows paths as they stand in links of a web page, which a browser on
// this host follows. Text is UTF-8.

// A relative Windows path ("..\Pics\a b.jpg") as a link: each name is the
// host's name (HostNameFromWindows) with every byte but the letters, digits
// and "-._~" percent-encoded; the names are joined by separator ('/' or '\').
// "." and ".." stay as they are.
std::string UrlPathFromWindows(std::string_view relativePath, char separator);

// The "file://" address of an absolute Windows path's host path, every byte
// of it but the letters, digits, "-._~" and '/' percent-encoded. Empty for a
// path on no drive.
std::string FileUrlFromWindows(std::string_view windowsPath);
