// Tickwell: periodic timer and one-shot trigger objects for client programs.
//
// This header is the whole interface of the component; installed as <tickwell/tickwell.h>
// (pkg-config tickwell, or find_package(Tickwell) and the target Tickwell::tickwell). It needs
// C++17 or later with exceptions enabled (its activation catches allocation failures, so it does
// not compile with -fno-exceptions). Clients never link to the library: they create objects by
// class identifier with tickwell::CreateInstance (at the end of this header), which loads the
// library with dlopen, and talk to them through the interfaces below, whose slot order is fixed.
//
// Event loop. The library is built on Qt 6 Core and needs Qt 6's event dispatcher: timers run
// in the Qt event loop of the thread that created the object, and that thread must run it
// (QCoreApplication::exec, a QThread's exec, or processEvents) for Timer and Trigger events to
// arrive. A thread without one creates objects whose timers never start (Enabled reads false).
// The library loads Qt Core itself; a client that does not use Qt for anything else still needs
// a QCoreApplication in its main thread, and must not load another major version of Qt.
//
// Threads. An object belongs to the thread that created it and raises its events there, never
// concurrently with other calls. Calls from another thread return RPC_E_WRONG_THREAD, except
// AddRef, Release and QueryInterface, which work from any thread; a last Release on another
// thread leaves the destruction to the owning thread's event loop, or to the owning thread's end
// when it ends first (objects of a thread that has ended are destroyed at once).
//
// References. Every interface pointer handed out (CreateInstance, QueryInterface, get_Tag of
// an object) carries one reference that the receiver releases. Advise keeps a reference to the
// listener until Unadvise or the object's destruction. put_Tag copies the value (a text is
// duplicated); putref_Tag keeps a reference to the object; get_Tag returns a copy, or the same
// object with a new reference, which the caller frees with VariantClear. Texts (BSTR) are
// allocated with SysAllocStringLen and freed with SysFreeString; the C heap is shared.
//
// Identifiers (type library Tickwell, version 1.0) are fixed: CLSID_CTimer, CLSID_CTrigger,
// IID__CTimer, IID__CTrigger, IID___CTimer, IID___CTrigger, LIBID_Tickwell, and the identifiers
// of the library's private dispatcher interfaces, which no object hands out. The registry's
// location and line format are described above RegistryFilePath below.
#pragma once

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

// ---- Basic types of the component model --------------------------------------------------------

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16);

inline bool operator==(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

using HRESULT = int32_t;
using ULONG = uint32_t;
using VARIANT_BOOL = int16_t;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);
constexpr HRESULT SELFREG_E_TYPELIB = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT RPC_E_WRONG_THREAD = static_cast<HRESULT>(0x8001010Eu);

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// ---- Texts and tagged values --------------------------------------------------------------------

// A text crossing the boundary: UTF-16 characters, preceded by their length in bytes and followed
// by a terminating 0. Allocated and freed with the C heap, which client and library share.
using BSTR = char16_t*;

// The byte count is 32 bits wide, so a text holds fewer than 2^31 characters; longer ones are
// refused with a null result, as when memory runs out.
inline BSTR SysAllocStringLen(const char16_t* text, uint32_t length) {
    if (length >= 0x80000000u) return nullptr;
    const size_t bytes = sizeof(uint32_t) + (static_cast<size_t>(length) + 1u) * 2u;
    auto* block = static_cast<uint32_t*>(std::malloc(bytes));
    if (!block) return nullptr;
    block[0] = length * 2u;
    auto* chars = reinterpret_cast<char16_t*>(block + 1);
    if (text && length) std::memcpy(chars, text, length * 2u);
    chars[length] = 0;
    return chars;
}

inline uint32_t SysStringLen(BSTR text) {
    return text ? reinterpret_cast<uint32_t*>(text)[-1] / 2u : 0u;
}

inline void SysFreeString(BSTR text) {
    if (text) std::free(reinterpret_cast<uint32_t*>(text) - 1);
}

struct IUnknown;

enum VARENUM : uint16_t {
    VT_EMPTY = 0,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_UNKNOWN = 13,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
};

// Days since 30 December 1899, the time of day as the fraction.
using DATE = double;

// A tagged value: empty, a number, a Boolean, a date, an error code, a text, or an object
// reference.
struct VARIANT {
    uint16_t vt;
    uint16_t reserved[3];
    union {
        int8_t cVal;
        uint8_t bVal;
        int16_t iVal;
        uint16_t uiVal;
        int32_t lVal;
        uint32_t ulVal;
        int32_t intVal;
        uint32_t uintVal;
        int64_t llVal;
        uint64_t ullVal;
        int64_t cyVal;  // currency: ten-thousandths
        float fltVal;
        double dblVal;
        DATE date;
        HRESULT scode;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
        IUnknown* punkVal;
    };
};
static_assert(sizeof(VARIANT) == 16);

inline void VariantInit(VARIANT* v) {
    std::memset(v, 0, sizeof(VARIANT));
}
inline HRESULT VariantClear(VARIANT* v);
inline HRESULT VariantCopy(VARIANT* target, const VARIANT* source);

// ---- Interfaces ---------------------------------------------------------------------------------
// Slot order is the binary contract; never reorder. The destructors are protected and not
// virtual so that no hidden slot precedes QueryInterface; objects die through Release.

struct IUnknown {
    virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

  protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** object) = 0;
    virtual HRESULT LockServer(int32_t lock) = 0;

  protected:
    ~IClassFactory() = default;
};

// Events of a CTimer: Timer() every Interval milliseconds while enabled.
struct __CTimer : IUnknown {
    virtual HRESULT Timer() = 0;

  protected:
    ~__CTimer() = default;
};

// Events of a CTrigger: Trigger() once per Start.
struct __CTrigger : IUnknown {
    virtual HRESULT Trigger() = 0;

  protected:
    ~__CTrigger() = default;
};

struct _CTimer : IUnknown {
    virtual HRESULT get_Tag(VARIANT* value) = 0;
    virtual HRESULT put_Tag(const VARIANT* value) = 0;  // stores a copy of a value
    virtual HRESULT putref_Tag(IUnknown* object) = 0;   // stores an object reference
    virtual HRESULT get_Enabled(VARIANT_BOOL* enabled) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL enabled) = 0;
    virtual HRESULT get_Interval(int32_t* milliseconds) = 0;
    virtual HRESULT put_Interval(int32_t milliseconds) = 0;
    virtual HRESULT GetCurrentTimer(int32_t* ticks) = 0;
    // Subscription to the Timer event; the object holds a reference to each listener.
    virtual HRESULT Advise(__CTimer* listener) = 0;
    virtual HRESULT Unadvise(__CTimer* listener) = 0;

  protected:
    ~_CTimer() = default;
};

struct _CTrigger : IUnknown {
    virtual HRESULT get_Tag(VARIANT* value) = 0;
    virtual HRESULT put_Tag(const VARIANT* value) = 0;
    virtual HRESULT putref_Tag(IUnknown* object) = 0;
    virtual HRESULT Start(int32_t interval) = 0;
    virtual HRESULT Advise(__CTrigger* listener) = 0;
    virtual HRESULT Unadvise(__CTrigger* listener) = 0;

  protected:
    ~_CTrigger() = default;
};

// ---- Identifiers (type library Tickwell, version 1.0) -------------------------------------------

inline constexpr GUID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

inline constexpr GUID LIBID_Tickwell = {
    0x2f7d5dae, 0x120c, 0x4105, {0x91, 0x38, 0x9c, 0xd4, 0x97, 0x17, 0x8e, 0x3f}};
inline constexpr GUID CLSID_CTimer = {
    0xe23763cc, 0x9f1d, 0x4825, {0x8d, 0x1b, 0xd6, 0xc3, 0x78, 0xbf, 0x25, 0x9d}};
inline constexpr GUID CLSID_CTrigger = {
    0xabbcd7a2, 0x6f50, 0x476b, {0xa1, 0x35, 0xa7, 0xdd, 0x2b, 0x6d, 0xd1, 0x37}};
inline constexpr GUID IID__CTimer = {
    0x8b830dac, 0xa6aa, 0x4f10, {0x9d, 0x28, 0xcc, 0xb1, 0xc0, 0xa0, 0xff, 0xc7}};
inline constexpr GUID IID__CTrigger = {
    0x4c65c452, 0x2982, 0x440b, {0x94, 0x8d, 0x89, 0x54, 0xcd, 0x60, 0x1b, 0xf2}};
inline constexpr GUID IID___CTimer = {
    0x4e3b9cca, 0x22ba, 0x484a, {0xb3, 0x05, 0x66, 0xf8, 0xff, 0x3c, 0xd7, 0x54}};
inline constexpr GUID IID___CTrigger = {
    0x18b43bac, 0x87c5, 0x4353, {0x83, 0xca, 0x29, 0x48, 0x12, 0x70, 0x37, 0xf1}};
// The dispatcher's private interfaces are the library's own; no object hands them out.
inline constexpr GUID IID__CTimerSink = {
    0xd30f81f5, 0x071e, 0x4788, {0x8b, 0x13, 0x2d, 0x22, 0xa1, 0x6d, 0x1a, 0x56}};
inline constexpr GUID IID___CTimerSink = {
    0x4e1ca6ce, 0x3d4c, 0x4211, {0x96, 0xda, 0x2d, 0x32, 0x0d, 0xcd, 0xef, 0x95}};

// ---- Library entry points -----------------------------------------------------------------------

extern "C" {
using DllGetClassObjectFn = HRESULT (*)(const GUID* clsid, const GUID* iid, void** object);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
}

// ---- Value helpers (inline, so that neither side needs the other's symbols) ---------------------

inline HRESULT VariantClear(VARIANT* v) {
    if (!v) return E_POINTER;
    if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
    if (v->vt == VT_UNKNOWN && v->punkVal) v->punkVal->Release();
    VariantInit(v);
    return S_OK;
}

inline HRESULT VariantCopy(VARIANT* target, const VARIANT* source) {
    if (!target || !source) return E_POINTER;
    if (target == source) return S_OK;
    VariantClear(target);
    switch (source->vt) {
        case VT_EMPTY:
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_I8:
        case VT_UI8:
        case VT_CY:
        case VT_R4:
        case VT_R8:
        case VT_DATE:
        case VT_ERROR:
        case VT_BOOL:
            *target = *source;
            return S_OK;
        case VT_BSTR:
            target->vt = VT_BSTR;
            target->bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
            if (source->bstrVal && !target->bstrVal) {
                VariantInit(target);
                return E_OUTOFMEMORY;
            }
            return S_OK;
        case VT_UNKNOWN:
            *target = *source;
            if (target->punkVal) target->punkVal->AddRef();
            return S_OK;
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

// ---- Registry and activation (header-only) ------------------------------------------------------
//
// The per-user component registry is the text file $XDG_CONFIG_HOME/component-registry, or
// $HOME/.config/component-registry when XDG_CONFIG_HOME is unset, empty or not an absolute path;
// when HOME is not an absolute path either, the home folder comes from the password database.
// A user without any home folder has no registry. One record a line, fields separated by blanks:
//     CLSID {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} /absolute/path/of/library.so
//     TypeLib {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} 1.0 /absolute/path/of/library.so
// The path runs to the end of the line; it is the path the library was registered by, made
// absolute, so a registered link such as libtickwell.so.1 keeps working when an upgrade replaces
// the file it points to. Type library records are kept per version. Other lines belong to other
// tools and are kept word for word by every writer. `tickwell-regsvr LIBRARY` adds the library's
// records, `-u` removes them; writers take turns and replace the file atomically.

namespace tickwell {

// A system error number carried in a result; DllRegisterServer and DllUnregisterServer report a
// registry that cannot be read or written this way.
constexpr HRESULT HResultFromErrno(int error) {
    return static_cast<HRESULT>(0x80FF0000u | (static_cast<uint32_t>(error) & 0xFFFFu));
}
constexpr int ErrnoFromHResult(HRESULT hr) {
    return (static_cast<uint32_t>(hr) & 0xFFFF0000u) == 0x80FF0000u
               ? static_cast<int>(static_cast<uint32_t>(hr) & 0xFFFFu)
               : 0;
}

inline std::string GuidToString(const GUID& id) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", id.Data1,
                  id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3],
                  id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}

inline std::optional<GUID> GuidFromString(const std::string& text) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
    const std::string body = text.substr(1, 36);
    // Hex digits and dashes in their places only: the scan alone would take blanks and signs.
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != '-' : !hex) return std::nullopt;
    }
    unsigned d1, d2, d3, b[8];
    int consumed = 0;
    const int fields =
        std::sscanf(body.c_str(), "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x%n", &d1, &d2, &d3, &b[0],
                    &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], &consumed);
    if (fields != 11 || consumed != 36) return std::nullopt;
    GUID id{d1, static_cast<uint16_t>(d2), static_cast<uint16_t>(d3), {}};
    for (int i = 0; i < 8; ++i) id.Data4[i] = static_cast<uint8_t>(b[i]);
    return id;
}

// The user's home folder from the password database; empty when the user has none there.
inline std::string PasswordHomeFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error || !found || !found->pw_dir || found->pw_dir[0] != '/') return {};
        return found->pw_dir;
    }
}

// Empty when the user has no home folder at all: there is no registry then.
inline std::string RegistryFilePath() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        return std::string(xdg) + "/component-registry";
    }
    const char* home = std::getenv("HOME");
    const std::string folder = home && home[0] == '/' ? std::string(home) : PasswordHomeFolder();
    return folder.empty() ? std::string() : folder + "/.config/component-registry";
}

// One line of the registry as read; `id` is empty on a line that is no record.
struct RegistryLine {
    std::string kind;
    std::optional<GUID> id;
    std::string version;  // type libraries only
    std::string path;
};

inline RegistryLine ParseRegistryLine(const std::string& line) {
    std::istringstream in(line);
    RegistryLine parsed;
    std::string id;
    in >> parsed.kind >> id;
    parsed.id = GuidFromString(id);
    if (parsed.kind == "TypeLib") in >> parsed.version;
    std::getline(in >> std::ws, parsed.path);
    return parsed;
}

// The library registered for a class; empty when the registry names none or cannot be read.
inline std::optional<std::string> FindRegisteredLibrary(const GUID& clsid) {
    const std::string registry = RegistryFilePath();
    if (registry.empty()) return std::nullopt;
    std::ifstream in(registry);
    for (std::string line; std::getline(in, line);) {
        const RegistryLine parsed = ParseRegistryLine(line);
        if (parsed.kind == "CLSID" && parsed.id && *parsed.id == clsid && !parsed.path.empty())
            return parsed.path;
    }
    return std::nullopt;
}

// Why a file cannot be loaded as a library, or empty when it is a complete ELF shared object.
// The loader maps a library's segments as they are; one cut short would fault on first touch
// and end the process, so every loadable segment must lie within the file.
inline std::string LibraryFileProblem(const std::string& path) {
#if UINTPTR_MAX > 0xFFFFFFFFu
    using Header = Elf64_Ehdr;
    using ProgramHeader = Elf64_Phdr;
#else
    using Header = Elf32_Ehdr;
    using ProgramHeader = Elf32_Phdr;
#endif
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) return std::strerror(errno);
    if (S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    const auto size = static_cast<uint64_t>(info.st_size);
    const auto readAt = [fd](uint64_t offset, void* into, size_t length) {
        return ::pread(fd, into, length, static_cast<off_t>(offset)) ==
               static_cast<ssize_t>(length);
    };
    Header header{};
    if (!readAt(0, &header, sizeof header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0)
        return "not an ELF file";
    // Another word size is left to the loader, which refuses it with its own reason.
    if (header.e_ident[EI_CLASS] !=
        (sizeof(Header) == sizeof(Elf64_Ehdr) ? ELFCLASS64 : ELFCLASS32))
        return {};
    if (header.e_type != ET_DYN) return "not an ELF shared object";
    uint64_t headersEnd = 0;
    if (header.e_phentsize != sizeof(ProgramHeader) ||
        __builtin_mul_overflow(uint64_t{header.e_phnum}, sizeof(ProgramHeader), &headersEnd) ||
        __builtin_add_overflow(headersEnd, uint64_t{header.e_phoff}, &headersEnd) ||
        headersEnd > size)
        return "incomplete ELF file: the program headers end past the end of the file";
    for (uint64_t index = 0; index < header.e_phnum; ++index) {
        ProgramHeader segment{};
        if (!readAt(header.e_phoff + index * sizeof segment, &segment, sizeof segment))
            return "incomplete ELF file: cannot read its program headers";
        uint64_t segmentEnd = 0;
        if (segment.p_type == PT_LOAD &&
            (__builtin_add_overflow(uint64_t{segment.p_offset}, uint64_t{segment.p_filesz},
                                    &segmentEnd) ||
             segmentEnd > size))
            return "incomplete ELF file: a loadable segment ends past the end of the file";
    }
    return {};
}

// Loads a library (once per process: it stays loaded, which keeps every object's code in place)
// and finds one of its entry points. On failure *reason, when given, says why. A name without a
// slash (libtickwell.so.1) is found by the dynamic loader's search, never in the current folder;
// anything else is a path, checked before it is loaded.
inline HRESULT LoadEntryPoint(const std::string& library, const char* name, void** entryPoint,
                              std::string* reason = nullptr) {
    static std::mutex guard;
    static std::map<std::string, void*> loaded;
    *entryPoint = nullptr;
    const auto fail = [reason](HRESULT hr, std::string why) {
        if (reason) *reason = std::move(why);
        return hr;
    };
    std::lock_guard lock(guard);
    void* handle = nullptr;
    if (const auto found = loaded.find(library); found != loaded.end()) {
        handle = found->second;
    } else {
        const bool searched = library.find('/') == std::string::npos;
        if (std::string problem = searched ? std::string() : LibraryFileProblem(library);
            !problem.empty())
            return fail(CO_E_DLLNOTFOUND, std::move(problem));
        handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) return fail(CO_E_DLLNOTFOUND, ::dlerror());
        loaded.emplace(library, handle);
    }
    ::dlerror();
    *entryPoint = ::dlsym(handle, name);
    if (!*entryPoint) {
        const char* why = ::dlerror();
        return fail(CO_E_ERRORINDLL, why ? why : std::string("no entry point ") + name);
    }
    return S_OK;
}

// The class factory for a class: from the library the registry names for it, or, when the class
// is not registered or its registered library file no longer exists, from the first of
// `fallbackLibraries` that can be found: a path that exists, or a bare library name that the
// dynamic loader finds (see LoadEntryPoint). The caller owns one reference to *factory.
inline HRESULT GetClassFactory(const GUID& clsid, const std::vector<std::string>& fallbackLibraries,
                               IClassFactory** factory, std::string* reason = nullptr) try {
    if (!factory) return E_POINTER;
    *factory = nullptr;
    void* entry = nullptr;
    HRESULT loaded = REGDB_E_CLASSNOTREG;  // until a library is found
    std::string missing;
    std::optional<std::string> registered = FindRegisteredLibrary(clsid);
    if (registered && ::access(registered->c_str(), F_OK) != 0 && errno == ENOENT) {
        missing = *registered;
        registered.reset();
    }
    if (registered) {
        loaded = LoadEntryPoint(*registered, "DllGetClassObject", &entry, reason);
    } else {
        for (const auto& candidate : fallbackLibraries) {
            const bool searched = candidate.find('/') == std::string::npos;
            if (!searched && ::access(candidate.c_str(), F_OK) != 0) continue;
            loaded = LoadEntryPoint(candidate, "DllGetClassObject", &entry, reason);
            if (!searched || loaded != CO_E_DLLNOTFOUND) break;
            loaded = REGDB_E_CLASSNOTREG;  // the loader knows no library of that name
        }
    }
    if (loaded == REGDB_E_CLASSNOTREG) {
        if (reason)
            *reason = missing.empty() ? "class not registered and no fallback library found"
                                      : "registered library " + missing + " not found";
        return missing.empty() ? REGDB_E_CLASSNOTREG : CO_E_DLLNOTFOUND;
    }
    if (FAILED(loaded)) return loaded;
    const HRESULT hr = reinterpret_cast<DllGetClassObjectFn>(entry)(
        &clsid, &IID_IClassFactory, reinterpret_cast<void**>(factory));
    if (SUCCEEDED(hr) && !*factory) return E_UNEXPECTED;
    return hr;
} catch (...) {
    return E_OUTOFMEMORY;  // the only thing that throws above is an allocation
}

// Creates an object through GetClassFactory; the caller owns one reference to *object.
inline HRESULT CreateInstance(const GUID& clsid, const GUID& iid,
                              const std::vector<std::string>& fallbackLibraries, void** object,
                              std::string* reason = nullptr) {
    if (!object) return E_POINTER;
    *object = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = GetClassFactory(clsid, fallbackLibraries, &factory, reason);
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, iid, object);
    factory->Release();
    if (SUCCEEDED(hr) && !*object) return E_UNEXPECTED;
    return hr;
}

}  // namespace tickwell
