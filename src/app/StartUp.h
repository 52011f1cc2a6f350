#pragma once

class QApplication;

namespace pelvanto {

// The start procedure: refuses a second running copy, then brings up the
// program's windows. Returns the process exit code.
int runPelvanto(QApplication &app);

} // namespace pelvanto
