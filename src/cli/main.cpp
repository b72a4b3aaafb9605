#include "cli/cli.h"
#include "euro/alusta/alusta.h"

int main(int argc, char** argv) { return cli::suorita(alusta::komentorivi(argc, argv)); }
