#include "platform/file_system_info.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <fnmatch.h>
#include <fstream>
#include <map>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <vector>

namespace tw::platform {

uint64_t FreeBytesAt(const std::string& path) {
    struct statvfs st {};
    if (::statvfs(path.c_str(), &st) != 0) {
        return 0;
    }
    return static_cast<uint64_t>(st.f_bavail) * static_cast<uint64_t>(st.f_frsize);
}

bool IsNetworkFileSystem(const std::string& path) {
    struct statfs st {};
    if (::statfs(path.c_str(), &st) != 0) {
        return false;
    }
    constexpr long NfsMagic = 0x6969;
    constexpr long SmbMagic = 0x517B;
    constexpr long CifsMagic = static_cast<long>(0xFF534D42);
    constexpr long Smb2Magic = static_cast<long>(0xFE534D42);
    constexpr long FuseMagic = 0x65735546;
    const long type = static_cast<long>(st.f_type);
    return type == NfsMagic || type == SmbMagic || type == CifsMagic || type == Smb2Magic ||
           type == FuseMagic;
}

namespace {

struct TGlob {
    int Weight;
    std::string Type;
    std::string Pattern;
};

const std::vector<TGlob>& Globs() {
    static const std::vector<TGlob> globs = [] {
        std::vector<TGlob> list;
        std::ifstream in("/usr/share/mime/globs2");
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') {
                continue;
            }
            const size_t a = line.find(':');
            const size_t b = a == std::string::npos ? a : line.find(':', a + 1);
            if (b == std::string::npos) {
                continue;
            }
            std::string pattern = line.substr(b + 1);
            if (const size_t flags = pattern.find(':'); flags != std::string::npos) {
                pattern.resize(flags);
            }
            list.push_back(
                {std::atoi(line.substr(0, a).c_str()), line.substr(a + 1, b - a - 1), pattern});
        }
        // globs2 is sorted by weight already; keep the order stable for equal weights.
        std::stable_sort(list.begin(), list.end(),
                         [](const TGlob& x, const TGlob& y) { return x.Weight > y.Weight; });
        return list;
    }();
    return globs;
}

std::string ReadComment(const std::string& type) {
    std::ifstream in("/usr/share/mime/" + type + ".xml");
    std::string line;
    while (std::getline(in, line)) {
        const size_t open = line.find("<comment>");
        if (open == std::string::npos) {
            continue;
        }
        const size_t close = line.find("</comment>", open);
        if (close != std::string::npos) {
            return line.substr(open + 9, close - open - 9);
        }
    }
    return {};
}

} // namespace

bool MimeTypeComment(const std::string& fileName, std::string& comment) {
    // Item lists ask for tens of thousands of names: answer by extension from a cache.
    static std::map<std::string, std::string> byExtension;
    const size_t dot = fileName.rfind('.');
    std::string lower = "a";
    lower.append(dot == std::string::npos ? fileName : fileName.substr(dot));
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto cached = byExtension.find(lower);
    if (cached == byExtension.end()) {
        std::string found;
        for (const TGlob& glob : Globs()) {
            if (::fnmatch(glob.Pattern.c_str(), lower.c_str(), 0) == 0) {
                found = ReadComment(glob.Type);
                break;
            }
        }
        cached = byExtension.emplace(lower, found).first;
    }
    comment = cached->second;
    return !comment.empty();
}

namespace {

// /proc/self/mounts writes blanks, tabs, newlines and backslashes in paths as \ooo.
std::string UnescapeMountField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.size() == 3 && std::all_of(digits.begin(), digits.end(),
                                                  [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// realpath of path, or of its nearest existing ancestor with the missing tail appended.
std::string ResolvePath(std::string path) {
    std::string tail;
    while (!path.empty()) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            std::string result = resolved;
            if (!tail.empty()) {
                result += (result == "/" ? "" : "/") + tail;
            }
            return result;
        }
        if (path == "." || path == "/") {
            break;
        }
        const size_t slash = path.find_last_of('/');
        const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
        if (!last.empty()) {
            tail = tail.empty() ? last : last + "/" + tail;
        }
        path = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    }
    return {};
}

bool IsSameOrAncestor(const std::string& mountPoint, const std::string& path) {
    if (mountPoint == "/") {
        return !path.empty() && path[0] == '/';
    }
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

} // namespace

std::string MountPointOf(const std::string& path) {
    const std::string resolved = ResolvePath(path);
    if (resolved.empty()) {
        return {};
    }
    std::ifstream in("/proc/self/mounts");
    std::string line;
    std::string best;
    while (std::getline(in, line)) {
        const size_t first = line.find(' ');
        if (first == std::string::npos) {
            continue;
        }
        const size_t second = line.find(' ', first + 1);
        const std::string mountPoint = UnescapeMountField(line.substr(
            first + 1, second == std::string::npos ? std::string::npos : second - first - 1));
        if (mountPoint.size() > best.size() && IsSameOrAncestor(mountPoint, resolved)) {
            best = mountPoint;
        }
    }
    return best;
}

} // namespace tw::platform
