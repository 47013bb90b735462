#include "FileCodeDownload.h"

#include "com/ComObject.h"
#include "com/ComRuntime.h"

#include "plat/com.h"
#include "plat/errors.h"
#include "plat/folders.h"
#include "plat/module.h"
#include "plat/version.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace plat::urlmon {

namespace {

constexpr HRESULT kFileNotFound = HRESULT(0x80070002);
constexpr size_t kChunk = 64 * 1024;

// A running download: Abort is answered at the next step.
class Binding final : public com::ComObject<Binding, IBinding> {
public:
    void* face(REFIID riid) { return riid == IID_IBinding ? static_cast<IBinding*>(this) : nullptr; }
    HRESULT Abort() override
    {
        m_aborted = true;
        return S_OK;
    }
    bool aborted() const { return m_aborted; }

private:
    std::atomic<bool> m_aborted{false};
};

uint64_t versionOf(const std::string& path)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0)
        return 0;
    std::vector<BYTE> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path.c_str(), handle, size, block.data())
        || !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length) || length < sizeof *info)
        return 0;
    return uint64_t(info->dwFileVersionMS) << 32 | info->dwFileVersionLS;
}

bool exportsClassObjects(const std::string& path)
{
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        return false;
    const bool exported = GetProcAddress(module, "DllGetClassObject") != nullptr;
    FreeLibrary(module);
    return exported;
}

// The installed module's class object: S_OK with none when the module has no class objects.
HRESULT classObject(REFCLSID rclsid, const std::string& path, DWORD clsContext, REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (!exportsClassObjects(path))
        return S_OK;
    return CoGetClassObject(rclsid, clsContext, nullptr, riid, ppv);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string percentDecoded(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() && text[i] == '%' ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low >= 0) {
            out += char(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// One download on its own thread, from the first report to OnStopBinding.
class FileDownload {
public:
    FileDownload(REFCLSID rclsid, std::string source, uint64_t version, DWORD clsContext, IBindStatusCallback* callback)
        : m_clsid(rclsid), m_source(std::move(source)), m_version(version), m_clsContext(clsContext),
          m_callback(callback)
    {
        m_callback->AddRef();
    }
    ~FileDownload()
    {
        m_binding->Release();
        m_callback->Release();
    }
    FileDownload(const FileDownload&) = delete;
    FileDownload& operator=(const FileDownload&) = delete;

    void run();

private:
    HRESULT install(IUnknown*& object);
    HRESULT copyInto(const std::string& target, uintmax_t size);
    // Reports a step; false once the download is aborted.
    bool progress(ULONG status, uintmax_t done, uintmax_t total);

    CLSID m_clsid;
    std::string m_source;
    uint64_t m_version;
    DWORD m_clsContext;
    IBindStatusCallback* m_callback;
    Binding* m_binding = new Binding;
};

bool FileDownload::progress(ULONG status, uintmax_t done, uintmax_t total)
{
    if (m_binding->aborted())
        return false;
    std::u16string text(m_source.begin(), m_source.end());
    m_callback->OnProgress(ULONG(std::min<uintmax_t>(done, 0xFFFFFFFF)), ULONG(std::min<uintmax_t>(total, 0xFFFFFFFF)),
        status, reinterpret_cast<LPCWSTR>(text.c_str()));
    return !m_binding->aborted();
}

void FileDownload::run()
{
    CoInitialize(nullptr);
    m_callback->OnStartBinding(0, m_binding);
    IUnknown* object = nullptr;
    const HRESULT hr = install(object);
    if (SUCCEEDED(hr))
        m_callback->OnObjectAvailable(IID_IClassFactory, object);
    if (object)
        object->Release();
    m_callback->OnStopBinding(hr, nullptr);
    CoUninitialize();
}

HRESULT FileDownload::copyInto(const std::string& target, uintmax_t size)
{
    std::ifstream in(m_source, std::ios::binary);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!in || !out)
        return in ? E_ACCESSDENIED : kFileNotFound;
    std::vector<char> chunk(kChunk);
    for (uintmax_t done = 0; done < size;) {
        in.read(chunk.data(), std::streamsize(chunk.size()));
        const std::streamsize got = in.gcount();
        if (got <= 0)
            return E_FAIL;
        if (!out.write(chunk.data(), got))
            return E_FAIL;
        done += uintmax_t(got);
        if (!progress(BINDSTATUS_DOWNLOADINGDATA, done, size))
            return E_ABORT;
    }
    return out.flush() ? S_OK : E_FAIL;
}

HRESULT FileDownload::install(IUnknown*& object)
{
    std::error_code ec;
    if (!progress(BINDSTATUS_FINDINGRESOURCE, 0, 0))
        return E_ABORT;
    const uintmax_t size = fs::file_size(m_source, ec);
    if (ec || !fs::is_regular_file(m_source, ec))
        return kFileNotFound;
    if (!progress(BINDSTATUS_BEGINDOWNLOADDATA, 0, size))
        return E_ABORT;

    // A module in use is never written over: the copy is made aside and renamed into place.
    const fs::path folder = fs::path(vantrelFolder(Folder::Data)) / "plugins";
    fs::create_directories(folder, ec);
    const fs::path target = folder / fs::path(m_source).filename();
    const std::string temporary = target.string() + ".part" + std::to_string(getpid());
    HRESULT hr = copyInto(temporary, size);
    if (SUCCEEDED(hr) && !progress(BINDSTATUS_ENDDOWNLOADDATA, size, size))
        hr = E_ABORT;
    if (SUCCEEDED(hr) && versionOf(temporary) < m_version)
        hr = E_FAIL;
    if (SUCCEEDED(hr)) {
        fs::rename(temporary, target, ec);
        if (ec)
            hr = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    }
    if (FAILED(hr)) {
        fs::remove(temporary, ec);
        return hr;
    }

    if (!progress(BINDSTATUS_BEGINDOWNLOADCOMPONENTS, 0, 0) || !progress(BINDSTATUS_INSTALLINGCOMPONENTS, 0, 0))
        return E_ABORT;
    HMODULE module = LoadLibraryA(target.c_str());
    if (!module)
        return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_MOD_NOT_FOUND);
    const auto registerServer =
        reinterpret_cast<LPFNREGISTERSERVER>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DllRegisterServer")));
    hr = registerServer ? registerServer() : S_OK;
    FreeLibrary(module);
    if (FAILED(hr))
        return hr;
    hr = classObject(m_clsid, target.string(), m_clsContext, IID_IClassFactory, reinterpret_cast<void**>(&object));
    if (FAILED(hr))
        return hr;
    if (!progress(BINDSTATUS_ENDDOWNLOADCOMPONENTS, 0, 0)) {
        if (object)
            object->Release();
        object = nullptr;
        return E_ABORT;
    }
    return S_OK;
}

} // namespace

std::optional<std::string> localPathOf(const std::string& url)
{
    if (url.rfind("file:", 0) != 0)
        return url.empty() || url.find(':') != std::string::npos ? std::nullopt : std::optional(url);
    std::string rest = url.substr(5);
    if (rest.rfind("//", 0) == 0) {
        const size_t slash = rest.find('/', 2);
        const std::string host = rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
        if (slash == std::string::npos || !(host.empty() || host == "localhost"))
            return std::nullopt;
        rest = rest.substr(slash);
    }
    return percentDecoded(rest);
}

HRESULT fileCodeDownload(REFCLSID rclsid, const std::string& source, DWORD versionMS, DWORD versionLS,
    IBindStatusCallback* callback, DWORD clsContext, REFIID riid, void** ppv)
{
    const uint64_t version = uint64_t(versionMS) << 32 | versionLS;
    const std::string installed = com::serverPath(rclsid);
    std::error_code ec;
    if (!installed.empty() && fs::is_regular_file(installed, ec) && versionOf(installed) >= version)
        return classObject(rclsid, installed, clsContext, riid, ppv);
    if (!callback)
        return E_INVALIDARG;
    auto* download = new FileDownload(rclsid, source, version, clsContext, callback);
    std::thread([download] {
        download->run();
        delete download;
    }).detach();
    return MK_S_ASYNCHRONOUS;
}

} // namespace plat::urlmon
