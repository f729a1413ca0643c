#include "TestNetwork.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <regex>

namespace {

constexpr const char* kTable = "vexacam_test";

// `ip -o link show` of this network namespace: one line per interface.
// (Not /sys/class/net, which shows the namespace sysfs was mounted in.)
std::vector<std::string> LinkLines()
{
    std::vector<std::string> lines;
    FILE* pipe = popen("ip -o link show 2>/dev/null", "r");
    if (!pipe)
        return lines;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe))
        lines.emplace_back(line);
    pclose(pipe);
    return lines;
}

std::vector<std::string> Interfaces()
{
    std::vector<std::string> names;
    for (const std::string& line : LinkLines()) {  // "1: lo: <LOOPBACK,UP> mtu 65536 …"
        const size_t colon = line.find(": ");
        const size_t end = colon == std::string::npos ? colon : line.find(':', colon + 2);
        if (end != std::string::npos)
            names.push_back(line.substr(colon + 2, end - colon - 2));
    }
    return names;
}

int CurrentMtu()
{
    for (const std::string& line : LinkLines()) {
        const size_t at = line.find(" mtu ");
        if (line.find(": lo:") != std::string::npos && at != std::string::npos)
            return std::atoi(line.c_str() + at + 5);
    }
    return 0;
}

// Whether this process shares the network namespace of the machine's first
// process (readable as root): then it is not a private one.
bool SharesInitNamespace()
{
    char own[PATH_MAX] = {}, init[PATH_MAX] = {};
    const ssize_t a = readlink("/proc/self/ns/net", own, sizeof own - 1);
    const ssize_t b = readlink("/proc/1/ns/net", init, sizeof init - 1);
    return a > 0 && b > 0 && std::string(own, size_t(a)) == std::string(init, size_t(b));
}

// Only dotted IPv4 loopback addresses reach a shell command.
bool IsLoopbackAddress(const std::string& address)
{
    in_addr parsed{};
    return inet_pton(AF_INET, address.c_str(), &parsed) == 1 && address.rfind("127.", 0) == 0;
}

}  // namespace

TestNetwork::TestNetwork()
{
    const std::vector<std::string> interfaces = Interfaces();
    if (interfaces != std::vector<std::string>{"lo"} || SharesInitNamespace()) {
        why_ = "not a private network namespace holding only loopback: refusing to change it";
        return;
    }
    mtu_ = CurrentMtu();
    usable_ = std::system("ip -V >/dev/null 2>&1 && tc -V >/dev/null 2>&1 && nft --version >/dev/null 2>&1") == 0;
    if (!usable_)
        why_ = "ip, tc or nft is missing";
}

TestNetwork::~TestNetwork()
{
    if (!usable_)
        return;
    if (table_)
        Run(std::string("nft delete table inet ") + kTable);
    if (shaped_)
        Run("tc qdisc del dev lo root");
    if (mtu_ > 0 && CurrentMtu() != mtu_)
        Run("ip link set lo mtu " + std::to_string(mtu_));
    for (const std::string& address : addresses_)
        Run("ip addr del " + address + "/8 dev lo");
}

bool TestNetwork::Usable(std::string* why) const
{
    if (why)
        *why = why_;
    return usable_;
}

bool TestNetwork::Run(const std::string& command)
{
    if (!usable_)
        return false;
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    if (status != 0)
        std::fprintf(stderr, "test network: '%s' failed (%d)\n", command.c_str(), status);
    return status == 0;
}

std::string TestNetwork::AddAddress(int host)
{
    if (host < 1 || host > 254)
        return std::string();
    const std::string address = "127.0.0." + std::to_string(host);
    if (host != 1 && Run("ip addr add " + address + "/8 dev lo"))
        addresses_.push_back(address);
    return address;
}

void TestNetwork::SetMtu(int bytes)
{
    if (bytes < 576 || bytes > 65536)
        return;
    Run("ip link set lo mtu " + std::to_string(bytes));
}

void TestNetwork::LimitBandwidth(const std::string& rate)
{
    if (!std::regex_match(rate, std::regex("[0-9]+[kmg]?bit")))
        return;
    shaped_ = Run("tc qdisc replace dev lo root tbf rate " + rate + " burst 256kb latency 50ms") || shaped_;
}

void TestNetwork::EnsureTable()
{
    if (table_)
        return;
    table_ = Run(std::string("nft add table inet ") + kTable) &&
             Run(std::string("nft 'add chain inet ") + kTable + " output { type filter hook output priority 0 ; }'");
}

void TestNetwork::LoseStreamPackets(const std::string& address, int perMille)
{
    if (!IsLoopbackAddress(address) || perMille < 0 || perMille > 1000)
        return;
    EnsureTable();
    // GVCP (port 3956) carries control and heartbeat: only stream packets go.
    Run(std::string("nft 'add rule inet ") + kTable + " output ip saddr " + address +
        " udp sport != 3956 udp dport != 3956 numgen random mod 1000 < " + std::to_string(perMille) + " drop'");
}

void TestNetwork::PullCable(const std::string& address)
{
    if (!IsLoopbackAddress(address))
        return;
    EnsureTable();
    // Everything the camera sends, and the control packets sent to it. Not all
    // packets to its address: on a shared loopback Aravis may receive other
    // cameras' streams on that address too.
    for (const std::string match : {"ip saddr " + address, "ip daddr " + address + " udp dport 3956"})
        Run(std::string("nft 'add rule inet ") + kTable + " output " + match + " drop comment \"cable " + address +
            "\"'");
}

void TestNetwork::PlugCable(const std::string& address)
{
    if (!usable_ || !table_ || !IsLoopbackAddress(address))
        return;
    // Delete the cable's rules by their handles.
    const std::string list = std::string("nft -a list chain inet ") + kTable + " output";
    FILE* pipe = popen(list.c_str(), "r");
    if (!pipe)
        return;
    std::vector<std::string> handles;
    char line[512];
    const std::string mark = "\"cable " + address + "\"";
    while (std::fgets(line, sizeof line, pipe)) {
        const std::string text(line);
        const size_t at = text.find("# handle ");
        if (text.find(mark) != std::string::npos && at != std::string::npos)
            handles.push_back(text.substr(at + 9, text.find_first_not_of("0123456789", at + 9) - (at + 9)));
    }
    pclose(pipe);
    for (const std::string& handle : handles)
        Run(std::string("nft delete rule inet ") + kTable + " output handle " + handle);
}
