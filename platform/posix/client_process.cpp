#include "platform/client_process.h"

#include <cerrno>

namespace platform {

StartResult startClient(const ClientLaunch&) { return {false, ENOSYS}; }

}  // namespace platform
