#include "shell/app_state.h"

namespace ZTAdrM1 {

QString AppPath;
QString WorkPath;
QString DbPath;
QString OutPath;
QString ExeBaseName;

}  // namespace ZTAdrM1
