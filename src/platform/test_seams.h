#pragma once

namespace zt {

// Turns on the test seam of every platform facility at once (message box,
// folder dialog, desktop, help engine, fatal errors) and empties their records.
void enableTestSeams();

}  // namespace zt
