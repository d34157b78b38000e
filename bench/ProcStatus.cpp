#include "ProcStatus.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace tavixat::bench {

long long residentKilobytes(const std::string& statusText) {
    static const std::string kKey = "VmRSS:";
    std::istringstream lines(statusText);
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, kKey.size(), kKey) != 0)
            continue;
        std::size_t i = kKey.size();
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i == line.size() || !std::isdigit(static_cast<unsigned char>(line[i])))
            return -1;
        long long kilobytes = 0;
        for (; i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])); ++i)
            kilobytes = kilobytes * 10 + (line[i] - '0');
        return kilobytes;
    }
    return -1;
}

long long residentKilobytesOf(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    if (!file)
        return -1;
    std::ostringstream text;
    text << file.rdbuf();
    return residentKilobytes(text.str());
}

} // namespace tavixat::bench
