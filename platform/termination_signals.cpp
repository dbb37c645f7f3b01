#include "platform/termination_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

namespace {
int g_pipe[2] = {-1, -1};
std::function<void(int)> g_callback;

void onSignal(int sig) {
  const unsigned char b = static_cast<unsigned char>(sig);
  // Only async-signal-safe calls here: hand the number to the event loop.
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &b, 1);
}
}  // namespace

void watchTerminationSignals(std::function<void(int)> onSignalCallback) {
  g_callback = std::move(onSignalCallback);
  if (g_pipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0) return;
  for (int fd : g_pipe) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
  auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
    unsigned char b = 0;
    if (::read(g_pipe[0], &b, 1) == 1 && g_callback) g_callback(b);
  });
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGHUP, &sa, nullptr);
}
