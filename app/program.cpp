#include "app/program.h"

namespace velmora {

ProgramValues& Program() {
    static ProgramValues values;
    return values;
}

Text MainWindowCaption(std::string_view versionText) {
    return Text("Velmora (Ostrivane Version ") + Text(versionText) + ".0)";
}

}  // namespace velmora
