#include "PicFlorvane.h"

CPicFlorvaneApp g_picApp;

int main(int argc, char** argv)
{
    AfxWinMain(argc, argv);
    return 0;
}
