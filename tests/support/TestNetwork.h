#pragma once
// A production line's network, built on the loopback interface of the
// private network namespace the tests run in, and nowhere else: extra
// camera addresses (127.0.0.2, …), a real link's MTU and bandwidth, lost
// stream packets and pulled cables (nftables rules in the output hook: the
// input hook is bypassed by Aravis's packet socket). Every change is undone
// when the object goes. Refuses to touch a namespace that has any interface
// but loopback.

#include <string>
#include <vector>

class TestNetwork {
public:
    TestNetwork();
    ~TestNetwork();
    TestNetwork(const TestNetwork&) = delete;
    TestNetwork& operator=(const TestNetwork&) = delete;

    // False (with the reason) when this is not a private loopback-only namespace
    // or the tools (ip, tc, nft) cannot change it.
    bool Usable(std::string* why) const;

    // Adds 127.0.0.`host`/8 to loopback; returns the address.
    std::string AddAddress(int host);
    void SetMtu(int bytes);
    // One bandwidth limit shared by every camera, e.g. "1gbit".
    void LimitBandwidth(const std::string& rate);
    // Drops `perMille` of the stream packets `address` sends (not its control packets).
    void LoseStreamPackets(const std::string& address, int perMille);
    // Cuts `address` off until PlugCable: what it sends, and the control packets sent to it.
    void PullCable(const std::string& address);
    void PlugCable(const std::string& address);

private:
    bool Run(const std::string& command);
    void EnsureTable();

    bool usable_ = false;
    std::string why_;
    bool table_ = false;
    bool shaped_ = false;
    int mtu_ = 0;
    std::vector<std::string> addresses_;
};
