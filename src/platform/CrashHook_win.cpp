#include "CrashHook.h"

#include <QDir>
#include <QFile>
#include <QLibrary>

#include <windows.h>

namespace platform {

// The reporting library is loaded at run time and called by ordinal, so the
// program still starts when it is missing.
namespace {

struct InstallInfo
{
    WORD cb;
    LPCWSTR pszAppName;
    LPCWSTR pszAppVersion;
    LPCWSTR pszEmailTo;
    LPCWSTR pszEmailSubject;
    LPCWSTR pszUrl;
    LPCWSTR pszCrashSenderPath;
    LPVOID pfnCrashCallback;
    UINT uPriorities[5];
    DWORD dwFlags;
    LPCWSTR pszPrivacyPolicyURL;
    LPCWSTR pszDebugHelpDLL;
    int uMiniDumpType;
    LPCWSTR pszErrorReportSaveDir;
    LPCWSTR pszRestartCmdLine;
    LPCWSTR pszLangFilePath;
    LPCWSTR pszEmailText;
    LPCWSTR pszSmtpProxy;
    LPCWSTR pszCustomSenderIcon;
};

using InstallFn = int(WINAPI *)(InstallInfo *);
using ErrorFn = int(WINAPI *)(LPWSTR, UINT);
using SetProcessOptionFn = int(WINAPI *)(DWORD);
using AddFileFn = int(WINAPI *)(LPCSTR, LPCSTR, LPCSTR, DWORD);
using UninstallFn = int(WINAPI *)();

QLibrary g_library(QStringLiteral("CrashRpt1301.dll"));
std::wstring g_name, g_version, g_email, g_subject, g_privacy, g_marker;

// Called by the library on the crashing process: only leaves the marker.
BOOL CALLBACK onCrash(LPVOID)
{
    if (!g_marker.empty()) {
        const HANDLE file = CreateFileW(g_marker.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return TRUE;
}

} // namespace

int installCrashHook(const CrashHookConfig &config, QString *errorText)
{
    if (!g_library.load()) {
        if (errorText)
            *errorText = g_library.errorString();
        return -1;
    }
    auto install = reinterpret_cast<InstallFn>(g_library.resolve(reinterpret_cast<const char *>(1)));
    auto lastError = reinterpret_cast<ErrorFn>(g_library.resolve(reinterpret_cast<const char *>(2)));
    auto setOption = reinterpret_cast<SetProcessOptionFn>(g_library.resolve(reinterpret_cast<const char *>(3)));
    if (!install)
        return -1;
    g_name = config.appName.toStdWString();
    g_version = config.appVersion.toStdWString();
    g_email = L"crashreports@fotoria.com";
    g_subject = L"Fotoria Error Report";
    g_privacy = L"https://www.fotoria.com/privacy";
    InstallInfo info {};
    info.cb = 100;
    info.pszAppName = g_name.c_str();
    info.pszAppVersion = g_version.c_str();
    info.pszEmailTo = g_email.c_str();
    info.pszEmailSubject = g_subject.c_str();
    info.pfnCrashCallback = reinterpret_cast<LPVOID>(&onCrash);
    info.pszPrivacyPolicyURL = g_privacy.c_str();
    const int result = install(&info);
    if (result != 0) {
        wchar_t buffer[256] = {};
        if (lastError)
            lastError(buffer, 256);
        if (errorText)
            *errorText = QString::fromWCharArray(buffer);
        return result;
    }
    if (setOption)
        setOption(0);
    return 0;
}

void attachFileToCrashReports(const QString &path)
{
    auto addFile = reinterpret_cast<AddFileFn>(g_library.resolve(reinterpret_cast<const char *>(4)));
    if (addFile)
        addFile(path.toLocal8Bit().constData(), nullptr, "LogFile", 1);
}

void setCrashReportFolder(const QString &) {}

void setCrashMarkerFile(const QString &path)
{
    g_marker = QDir::toNativeSeparators(path).toStdWString();
}

void uninstallCrashHook()
{
    auto uninstall = reinterpret_cast<UninstallFn>(g_library.resolve(reinterpret_cast<const char *>(5)));
    if (uninstall)
        uninstall();
}

// Nothing to do: the reporting library handles a stack overflow on a thread
// of its own.
void installThreadSignalStack() {}

} // namespace platform
