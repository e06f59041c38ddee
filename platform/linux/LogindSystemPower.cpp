#include "platform/linux/LogindSystemPower.h"

#include <fcntl.h>
#include <unistd.h>

#include <QtCore/QString>
#include <QtCore/QVariant>
#include <QtDBus/QDBusMessage>
#include <QtDBus/QDBusPendingCall>
#include <QtDBus/QDBusUnixFileDescriptor>
#include <utility>

namespace drivesmith {

namespace {

constexpr char kLogindService[] = "org.freedesktop.login1";
constexpr char kLogindPath[] = "/org/freedesktop/login1";
constexpr char kLogindManager[] = "org.freedesktop.login1.Manager";

constexpr char kInhibitWhat[] = "shutdown:sleep:idle";
constexpr char kInhibitWho[] = "Drivesmith";
constexpr char kInhibitMode[] = "block";

int CallTimeoutMs() { return static_cast<int>(kLogindCallTimeout.count()); }

QDBusMessage ManagerCall(const char* method) {
  return QDBusMessage::createMethodCall(
      QString::fromLatin1(kLogindService), QString::fromLatin1(kLogindPath),
      QString::fromLatin1(kLogindManager), QString::fromLatin1(method));
}

}  // namespace

LogindShutdownInhibitor::~LogindShutdownInhibitor() { ::close(fd_); }

LogindSystemPower::LogindSystemPower(QDBusConnection bus) : bus_(std::move(bus)) {}

void LogindSystemPower::RequestRestart(bool /*enableShutdownPrivilege*/) {
  if (!bus_.isConnected()) return;
  QDBusMessage call = ManagerCall("Reboot");
  const bool interactive = true;
  call << interactive;
  // Sent without waiting: logind may first ask the user to authenticate,
  // and the window must keep painting and answering meanwhile. The reply
  // only says whether logind accepted, and a refusal shows nothing, so it is
  // not read.
  static_cast<void>(bus_.asyncCall(call, CallTimeoutMs()));
}

std::unique_ptr<ShutdownInhibitor> LogindSystemPower::InhibitShutdown(const std::string& reason) {
  if (!bus_.isConnected()) return nullptr;
  QDBusMessage call = ManagerCall("Inhibit");
  call << QString::fromLatin1(kInhibitWhat) << QString::fromLatin1(kInhibitWho)
       << QString::fromStdString(reason) << QString::fromLatin1(kInhibitMode);
  const QDBusMessage reply = bus_.call(call, QDBus::Block, CallTimeoutMs());
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return nullptr;

  const QVariant answer = reply.arguments().constFirst();
  if (!answer.canConvert<QDBusUnixFileDescriptor>()) return nullptr;
  const auto descriptor = answer.value<QDBusUnixFileDescriptor>();
  if (!descriptor.isValid()) return nullptr;
  // The reply closes its own descriptor when it goes; the lock keeps a copy.
  const int fd = ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  return std::make_unique<LogindShutdownInhibitor>(fd);
}

}  // namespace drivesmith
