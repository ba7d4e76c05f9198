// Mounts a network share on FOLDER and unmounts it again, inside a user and
// mount namespace of its own so that nothing outside sees it, while a window
// registered for device changes listens. Prints the wParam of each
// WM_DEVICECHANGE it hears, one a line, and exits 0 once both were heard; 1
// when one was not heard, or a mount failed; 77 when the host lets no user
// make namespaces (the caller skips); 2 for a wrong command line. Started by
// DeviceChangeTest; not a test itself.
//   MountAndWatch FOLDER

#include "../../WindowThreadQueue.h"

#include <platform/DeviceChange.h>
#include <platform/Messages.h>

#include <QCoreApplication>

#include <cstdio>
#include <vector>

#include <sched.h>
#include <sys/mount.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: MountAndWatch FOLDER\n");
        return 2;
    }
    // Before any thread starts: a process with threads cannot enter a new
    // user namespace.
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        std::perror("unshare");
        return 77;
    }
    const char *folder = argv[1];
    QCoreApplication application(argc, argv);
    std::vector<WPARAM> heard;
    CMessageWindow window([&heard](UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_DEVICECHANGE)
            heard.push_back(wParam);
        return LRESULT(0);
    });
    CDeviceChangeRegistration registration(window.Handle());

    // A source of "//server/share" makes it a network drive, which gets a letter.
    if (::mount("//server/share", folder, "tmpfs", 0, nullptr) != 0) {
        std::perror("mount");
        return 1;
    }
    const bool arrived = ServeUntil([&] { return heard.size() == 1; });
    if (::umount(folder) != 0) {
        std::perror("umount");
        return 1;
    }
    const bool removed = arrived && ServeUntil([&] { return heard.size() == 2; });
    for (WPARAM event : heard)
        std::printf("%#x\n", unsigned(event));
    return removed ? 0 : 1;
}
