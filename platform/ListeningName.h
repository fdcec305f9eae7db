#pragma once

#include <string>
#include <thread>

namespace platform {

// A name in the machine's abstract socket namespace, listened on from a successful Take until
// this object goes; the kernel frees it with the process. Anybody can take a name there first, so
// its holder is asked its user over a connection. Every start that asks leaves a connection, so a
// thread of this object's own accepts and closes them: the queue never fills, and a full queue is
// never this user's.
class ListeningName {
public:
    enum class Holder { ThisProcess, ThisUser, Another };

    explicit ListeningName(std::string name) : name_(std::move(name)) {}
    ~ListeningName();
    ListeningName(const ListeningName&) = delete;
    ListeningName& operator=(const ListeningName&) = delete;

    // Listens on the name, or learns who holds it: another process of this user, or somebody
    // else (also when the name cannot be used at all).
    Holder Take();

private:
    // Keeps the bound socket fd listening, its queue emptied; false, with fd closed, when not.
    bool Listen(int fd);
    void EmptyQueue() const;

    std::string name_;
    int socket_ = -1;
    int stop_ = -1;
    std::thread emptier_;
};

}  // namespace platform
