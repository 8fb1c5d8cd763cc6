// orvanta: the desktop program.
#include "application.h"

int main(int argc, char** argv) {
    return orv::ui::runOrvanta(argc, argv);
}
