#include "framework/win_app.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QVariant>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>

#include "res/resource.h"
#include "res/string_table.h"

namespace {

CWinApp* g_pApp = nullptr;

// Signed or unsigned, a number that fits in 32 bits stands for those 32 bits.
std::optional<UINT> Narrow(std::int64_t n) {
  if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<UINT>::max()) {
    return std::nullopt;
  }
  return static_cast<UINT>(n);
}

std::optional<UINT> ParseStoredNumber(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::QString: {
      // Decimal digits with an optional minus sign and nothing else: no
      // spaces, no plus, no fraction, no hexadecimal.
      const QByteArray text = value.toString().toUtf8();
      const char* first = text.constData();
      const char* last = first + text.size();
      std::int64_t n = 0;
      const auto [end, error] = std::from_chars(first, last, n);
      if (text.isEmpty() || error != std::errc{} || end != last) return std::nullopt;
      return Narrow(n);
    }
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
      return Narrow(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
      const qulonglong n = value.toULongLong();
      if (n > std::numeric_limits<UINT>::max()) return std::nullopt;
      return static_cast<UINT>(n);
    }
    default:
      return std::nullopt;
  }
}

// Qt works out the per-user folder once per process. Setting it before every
// access makes each one follow the environment as it is then.
void FollowConfigHome() {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

constexpr bool kStoreIsFile =
#ifdef Q_OS_WIN
    false;  // the registry
#else
    true;
#endif

bool CreateStoreFolder(const QSettings& store) {
  if (!kStoreIsFile) return true;
  return QDir().mkpath(QFileInfo(store.fileName()).absolutePath());
}

// QSettings rewrites the whole file on every write and drops what it cannot
// parse (lines without '=', bytes that are not UTF-8). A file damaged from
// outside is therefore left exactly as it is and the write fails.
bool StoreReadsBackCleanly(QSettings& store) {
  if (store.status() != QSettings::NoError) return false;
  if (kStoreIsFile && QFileInfo::exists(store.fileName())) {
    QFile file(store.fileName());
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0')) return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(bytes);  // decoding happens on conversion
    if (utf8.hasError()) return false;
    // QSettings reports a parse error only to the first object that reads
    // the file; later ones share that reading from a process-wide cache and
    // report none. A copy under a new name is always read afresh.
    QTemporaryFile copy;
    if (!copy.open() || copy.write(bytes) != bytes.size() || !copy.flush()) return false;
    QSettings parsed(copy.fileName(), QSettings::IniFormat);
    (void)parsed.allKeys();
    return parsed.status() == QSettings::NoError;
  }
  (void)store.allKeys();  // parses every group; a damaged one sets FormatError
  return store.status() == QSettings::NoError;
}

}  // namespace

CWinApp::CWinApp() {
  const char* title = FindStringResource(AFX_IDS_APP_TITLE);
  m_pszAppName = title != nullptr ? title : "";
  assert(g_pApp == nullptr && "only one application object");
  if (g_pApp == nullptr) g_pApp = this;
}

CWinApp::~CWinApp() {
  if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

void CWinApp::SetRegistryKey(const char* lpszRegistryKey) {
  m_strRegistryKey = lpszRegistryKey != nullptr ? lpszRegistryKey : "";
}

UINT CWinApp::GetProfileInt(const char* lpszSection, const char* lpszEntry, int nDefault) {
  const UINT fallback = static_cast<UINT>(nDefault);
  if (m_strRegistryKey.empty()) return fallback;
  FollowConfigHome();
  QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                  QString::fromUtf8(m_strRegistryKey), QString::fromUtf8(m_pszAppName));
  CreateStoreFolder(store);
  store.beginGroup(QString::fromUtf8(lpszSection));
  const std::optional<UINT> value = ParseStoredNumber(store.value(QString::fromUtf8(lpszEntry)));
  return value.value_or(fallback);
}

BOOL CWinApp::WriteProfileInt(const char* lpszSection, const char* lpszEntry, int nValue) {
  if (m_strRegistryKey.empty()) return FALSE;
  FollowConfigHome();
  QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                  QString::fromUtf8(m_strRegistryKey), QString::fromUtf8(m_pszAppName));
  if (!CreateStoreFolder(store) || !store.isWritable() || !StoreReadsBackCleanly(store)) {
    return FALSE;
  }
  store.beginGroup(QString::fromUtf8(lpszSection));
  // Unsigned decimal: the value is a 32-bit word (a DWORD in the registry), so
  // the file shows the very number a read returns.
  store.setValue(QString::fromUtf8(lpszEntry), QVariant::fromValue(static_cast<uint>(nValue)));
  store.endGroup();
  store.sync();
  return store.status() == QSettings::NoError ? TRUE : FALSE;
}

CWinApp* AfxGetApp() { return g_pApp; }
