#pragma once
// Progress of a long transfer: called with (0, total) before the first step and with (done, total)
// after every step. Returning false asks the transaction to stop at the next step boundary.
#include <functional>

namespace vorsan {

using TransferProgress = std::function<bool(int done, int total)>;

// Reports a step; true when the transfer may go on (also when nobody listens).
inline bool reportProgress(const TransferProgress& progress, int done, int total) {
    return !progress || progress(done, total);
}

} // namespace vorsan
