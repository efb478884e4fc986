#include "ScreenSaverStartup.h"

int main(int argc, char *argv[])
{
    return ScreenSaverStartup::run(argc, argv);
}
