// Process entry: everything the program does happens in RunAdapterSetup.
#include "run.h"

int main(int argc, char* argv[])
{
    return RunAdapterSetup(argc, argv);
}
