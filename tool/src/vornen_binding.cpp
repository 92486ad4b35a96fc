#include "vornen_binding.h"

#include <QByteArray>
#include <array>

namespace {

// Resolves one export on its first use; the slot then keeps it for the run.
// Returns the log text for a failure, or an empty text.
template <typename Fn>
QString Bind(VornenBinding& binding, Fn& slot, const char* name) {
  if (slot != nullptr) return {};
  if (!binding.library.isLoaded() && !binding.library.load()) {
    return QStringLiteral("ＤＬＬ「%1」を読み込めない").arg(binding.library.fileName());
  }
  slot = reinterpret_cast<Fn>(binding.library.resolve(name));
  if (slot == nullptr) {
    return QStringLiteral("ＤＬＬ「%1」に関数「%2」がない")
        .arg(binding.library.fileName(), QString::fromLatin1(name));
  }
  return {};
}

// The buffer goes out zeroed and comes back as 8-bit text in the system's
// code page; the tool keeps as many characters as the library reported,
// without looking for a terminator.
QString TextFromBuffer(const std::array<char, kTextBufferSize>& buffer, int32_t length) {
  const QString whole = QString::fromLocal8Bit(buffer.data(), kTextBufferSize);
  return whole.left(qBound(0, length, kTextBufferSize));
}

}  // namespace

QString DefaultLibraryFile() {
  const QString file = qEnvironmentVariable("VORNEN_LIBRARY");
  if (!file.isEmpty()) return file;
#ifdef Q_OS_WIN
  return QStringLiteral("VornEN.dll");
#else
  return QStringLiteral("libVornEN.so");
#endif
}

CallResult CallOpen(VornenBinding& binding) {
  CallResult result;
  result.bind_failure = Bind(binding, binding.open, "En_Open");
  if (result.bind_failure.isEmpty()) result.code = binding.open();
  return result;
}

TextResult CallGetDllVersion(VornenBinding& binding) {
  TextResult result;
  result.call.bind_failure = Bind(binding, binding.get_dll_version, "En_Get_Dll_Version");
  if (!result.call.bind_failure.isEmpty()) return result;
  std::array<char, kTextBufferSize> buffer{};
  int32_t length = kTextBufferSize;
  result.call.code = binding.get_dll_version(buffer.data(), &length);
  if (result.call.code >= 0) result.text = TextFromBuffer(buffer, length);
  return result;
}

CallResult CallSetIpAddress(VornenBinding& binding, const QString& mac, const QString& address,
                            int32_t host_bits) {
  CallResult result;
  result.bind_failure = Bind(binding, binding.set_ip_address, "En_Set_IPAddress");
  if (!result.bind_failure.isEmpty()) return result;
  // 8-bit copies made just before the call; they outlive it.
  const QByteArray mac_text = mac.toLocal8Bit();
  const QByteArray address_text = address.toLocal8Bit();
  result.code = binding.set_ip_address(mac_text.constData(), address_text.constData(), host_bits);
  return result;
}

TextResult CallGetIpAddress(VornenBinding& binding, const QString& mac) {
  TextResult result;
  result.call.bind_failure = Bind(binding, binding.get_ip_address, "En_Get_IPAddress");
  if (!result.call.bind_failure.isEmpty()) return result;
  const QByteArray mac_text = mac.toLocal8Bit();
  std::array<char, kTextBufferSize> buffer{};
  int32_t length = kTextBufferSize;
  result.call.code = binding.get_ip_address(mac_text.constData(), buffer.data(), &length);
  if (result.call.code >= 0) result.text = TextFromBuffer(buffer, length);
  return result;
}
