#include "PicFlorvane.h"

#include "plat/termination.h"

CPicFlorvaneApp g_picApp;

int main(int argc, char** argv)
{
    // The desktop session's end or Ctrl+C closes the program as its window's closing does.
    vntQuitOnTerminationSignals();
    return AfxWinMain(argc, argv);
}
