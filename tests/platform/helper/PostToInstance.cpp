// Posts one message to an instance window as a second start of the program
// does, without an application object, and exits with the answer: 1 when the
// instance took it, 0 when not, 2 for a wrong command line. Started by
// InstanceTest; not a test itself.
//   PostToInstance CLASS TITLE MESSAGE WPARAM LPARAM

#include <platform/Instance.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: PostToInstance CLASS TITLE MESSAGE WPARAM LPARAM\n");
        return 2;
    }
    return PostToInstanceWindow(argv[1], argv[2], UINT(std::strtoul(argv[3], nullptr, 0)),
                                WPARAM(std::strtoull(argv[4], nullptr, 0)), LPARAM(std::strtoll(argv[5], nullptr, 0)));
}
