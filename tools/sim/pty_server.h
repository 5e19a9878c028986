#pragma once

#include "box.h"

#include <atomic>
#include <string>

namespace quorva::sim {

// Serves a box on a pseudo-terminal whose slave is linked under a chosen
// path, so the program under test opens it like a serial device. The line
// speed and settings the PC gives the slave are checked against the box's on
// every byte that arrives.
class PtyServer {
public:
    explicit PtyServer(Box& box) : box_(box) {}
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal and the symbolic link to its slave.
    bool open(const std::string& linkPath, std::string* error);
    const std::string& slavePath() const { return slave_; }
    const std::string& linkPath() const { return link_; }

    // Until stop is set. powerCycle, when set, is taken and applied. A paced
    // box's bytes are delivered when they would have crossed the line.
    void serve(const std::atomic<bool>& stop, std::atomic<bool>* powerCycle);

private:
    int checkLine();
    void deliver(int pcBaud);
    void closeLine();

    Box& box_;
    int master_ = -1;
    std::string slave_;
    std::string link_;
    std::string lastLineProblem_;
};

} // namespace quorva::sim
