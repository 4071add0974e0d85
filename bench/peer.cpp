// bench-peer: the device software at its fastest, in a process of its own, for bench_runner. Answers every
// arrival at once with "<first word>: OK\r\n" and times the clients from here, the same way for each: the
// time between one command's arrival and the next one's is what a command costs the client, round trip
// included. A burst of commands followed by 50 ms of quiet is one segment; for each it prints
//   segment <commands> <median us between commands>
// Prints "port <n>" first. Plain POSIX, one thread, so it adds the least it can to every client alike.

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <vector>

namespace {

constexpr double QuietUs = 50000;

double nowUs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

void report(std::vector<double>& arrivals) {
    if (arrivals.size() >= 2) {
        std::vector<double> gaps;
        for (std::size_t i = 1; i < arrivals.size(); ++i)
            gaps.push_back(arrivals[i] - arrivals[i - 1]);
        std::nth_element(gaps.begin(), gaps.begin() + std::ptrdiff_t(gaps.size() / 2), gaps.end());
        std::printf("segment %zu %.1f\n", arrivals.size(), gaps[gaps.size() / 2]);
        std::fflush(stdout);
    }
    arrivals.clear();
}

} // namespace

int main() {
    const int server = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(server, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(server, 8) != 0 ||
        getsockname(server, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("bench-peer");
        return 1;
    }
    std::printf("port %d\n", ntohs(address.sin_port));
    std::fflush(stdout);

    std::map<int, std::vector<double>> clients; // socket -> arrival times of the open segment
    char buffer[65536];
    for (;;) {
        std::vector<pollfd> fds{{server, POLLIN, 0}};
        for (const auto& client : clients)
            fds.push_back({client.first, POLLIN, 0});
        const int ready = poll(fds.data(), fds.size(), 20);
        const double now = nowUs();
        for (auto& [socket, arrivals] : clients) {
            if (!arrivals.empty() && now - arrivals.back() > QuietUs)
                report(arrivals);
        }
        if (ready <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            const int client = accept(server, nullptr, nullptr);
            if (client >= 0) {
                setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
                clients[client];
            }
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const int client = fds[i].fd;
            const ssize_t got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                report(clients[client]);
                clients.erase(client);
                close(client);
                continue;
            }
            clients[client].push_back(nowUs());
            std::size_t word = 0;
            while (word < std::size_t(got) && buffer[word] != ' ')
                ++word;
            char reply[80];
            const int size = std::snprintf(reply, sizeof reply, "%.*s: OK\r\n",
                                           int(std::min<std::size_t>(word, 60)), buffer);
            send(client, reply, std::size_t(size), MSG_NOSIGNAL);
        }
    }
}
