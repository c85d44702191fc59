// quillbox-mdb: command-line access to .mdb files through the program's own Jet engine.
#include <cstdio>

int main(int argc, char *argv[])
{
    (void)argv;
    if (argc < 2) {
        std::fputs("usage: quillbox-mdb COMMAND FILE [ARGS] [--password PW]\n", stderr);
        return 2;
    }
    return 2;
}
