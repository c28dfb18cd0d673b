#include "shell/app_state.h"

namespace ZTAdrM1 {

QString AppPath;
QString WorkPath;
QString DbPath;
QString ExeBaseName;

}  // namespace ZTAdrM1
