#include "platform/http.h"

// Built where libcurl is not available (the 32-bit Linux test build): every
// request fails with this line.
namespace platform {

HttpReply httpRequest(const std::string&, const std::string&, const HttpHeaders&, const std::string&, long) {
    HttpReply reply;
    reply.error = "this build has no HTTP support";
    return reply;
}

}  // namespace platform
