// Finding a free TCP port on the loopback interface.
//
//   int port = kesmora::test::FreeLoopbackPort();   // 0 when none could be found
//
// The port was free a moment ago; start the peer on it at once. Peers that can listen
// on port 0 themselves (LoopbackServer) do not need this.
#pragma once

namespace kesmora::test {

int FreeLoopbackPort();

// True once something accepts TCP connections on 127.0.0.1:port; gives up after
// `limitMs` milliseconds.
bool WaitUntilListening(int port, int limitMs);

} // namespace kesmora::test
