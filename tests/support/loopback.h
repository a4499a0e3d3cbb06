// Loopback sockets for tests that talk to a server of their own.
#pragma once

#include <netinet/in.h>

namespace dravik::test {

// A TCP socket bound to 127.0.0.1 on a port the kernel chose, with address set to where it is
// bound; -1 when that fails.
int BindLoopback(sockaddr_in& address);

// A loopback port that nobody listens on: bound and let go at once. 0 when none was found.
int UnusedLoopbackPort();

} // namespace dravik::test
