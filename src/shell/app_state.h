#pragma once

#include <QString>

// Process-wide state, set once by start-up and read by every window.
namespace ZTAdrM1 {

extern QString AppPath;      // the executable's folder, no trailing separator
extern QString WorkPath;     // where the database is: AppPath, or the user's own data folder
extern QString DbPath;       // WorkPath + "/" + ExeBaseName + ".mdb"
extern QString OutPath;      // where the job windows write: AppPath, or one in the user's documents
extern QString ExeBaseName;  // the executable's file name without extension

}  // namespace ZTAdrM1
