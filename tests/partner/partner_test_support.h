#pragma once
// Helpers shared by the partner channel tests that run real endpoints: the Qt application they
// need, encoded frames, and plain POSIX sockets at a path.
#include "partner/frame.h"

#include <QCoreApplication>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace dg::partner::test {

// The one application object of the test program, made on first use.
inline QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "partner_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

inline std::string frameBytes(const Frame& frame)
{
    return encodeFrame(frame).value();
}

// A request frame as a client without an endpoint of its own sends it (sender id 0).
inline std::string request(MessageNumber message, std::uint32_t id, std::string payload = {})
{
    return frameBytes(Frame{message, id, 0, 0, std::move(payload)});
}

inline sockaddr_un unixAddress(const std::filesystem::path& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return address;
}

// A connected blocking socket, or -1.
inline int connectTo(const std::filesystem::path& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const sockaddr_un address = unixAddress(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace dg::partner::test
