#include "augment/client_launch.h"

void runClientLaunch(const std::string& /*torrentPath*/) {}

void launchClient(const std::string&, const std::string&, const std::string&) {}
