// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/simulated_servers.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "support/lan_hosts.h"

namespace torvane::test {

pid_t StartSimulatedServers(int k, const std::vector<std::string>& args,
                            const std::vector<std::string>& extra_addresses) {
    int ready[2];
    if (pipe(ready) != 0) throw std::runtime_error("simulated servers: pipe");
    const std::string program = std::string(TORVANE_BINARY_DIR) + "/quakesim";
    const pid_t pid = StartLanHost(k, [&] {
        close(ready[0]);
        for (const std::string& address : extra_addresses) {
            const std::string add = "ip addr add " + address + "/32 dev e" + std::to_string(k);
            if (std::system(add.c_str()) != 0) {
                std::fprintf(stderr, "failed: %s\n", add.c_str());
                return 126;
            }
        }
        dup2(ready[1], STDOUT_FILENO);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        std::perror(program.c_str());
        return 127;
    });
    close(ready[1]);
    // "ready N" comes once every socket is bound; an end of file first means
    // the simulator failed.
    std::string line;
    char c;
    ssize_t n;
    while ((n = read(ready[0], &c, 1)) > 0 || (n < 0 && errno == EINTR)) {
        if (n < 0) continue;
        if (c == '\n') break;
        line += c;
    }
    close(ready[0]);
    if (line.rfind("ready", 0) != 0) {
        StopLanHost(pid);
        throw std::runtime_error("quakesim did not start: " + line);
    }
    return pid;
}

}  // namespace torvane::test
