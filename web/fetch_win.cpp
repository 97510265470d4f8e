// The request runs exactly as designed (a synchronous GET, late-bound calls by
// name) on a thread of its own; the caller waits for it at most the time limit.
// A request that does not end in time is left to finish by itself and its
// result is thrown away: its thread holds only the shared state below.
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <mutex>

#include "app/gbk_win.h"
#include "web/fetch.h"

namespace velmora {
namespace {

class Variant {
public:
    Variant() { VariantInit(&v_); }
    explicit Variant(const wchar_t* text) {
        VariantInit(&v_);
        v_.vt = VT_BSTR;
        v_.bstrVal = SysAllocString(text);
    }
    explicit Variant(bool value) {
        VariantInit(&v_);
        v_.vt = VT_BOOL;
        v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* get() { return &v_; }

private:
    VARIANT v_;
};

// An automation call by name. Arguments are given in their natural order.
HRESULT CallByName(IDispatch* object, const wchar_t* name, WORD kind, VARIANT* args, UINT count,
                   VARIANT* result) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    // IDispatch takes its arguments last first.
    VARIANT reversed[4];
    for (UINT i = 0; i < count; ++i) reversed[i] = args[count - 1 - i];
    DISPPARAMS params{count ? reversed : nullptr, nullptr, count, 0};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result, nullptr,
                          nullptr);
}

ByteBuffer BytesOf(VARIANT& value) {
    if (value.vt != (VT_ARRAY | VT_UI1) || value.parray == nullptr) return ByteBuffer();
    SAFEARRAY* array = value.parray;
    LONG low = 0, high = -1;
    if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &low)) ||
        FAILED(SafeArrayGetUBound(array, 1, &high)) || high < low) {
        return ByteBuffer();
    }
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return ByteBuffer();
    ByteBuffer bytes(static_cast<const char*>(data), static_cast<std::size_t>(high - low + 1));
    SafeArrayUnaccessData(array);
    return bytes;
}

// One request, start to end, on the calling thread.
ByteBuffer RequestBody(const std::wstring& url) {
    HRESULT init = CoInitialize(nullptr);
    ByteBuffer body;
    IDispatch* request = nullptr;
    for (const wchar_t* progId : {L"MSXML2.XMLHTTP", L"Microsoft.XMLHTTP"}) {
        CLSID clsid;
        if (SUCCEEDED(CLSIDFromProgID(progId, &clsid)) &&
            SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                       reinterpret_cast<void**>(&request)))) {
            break;
        }
        request = nullptr;
    }
    if (request != nullptr) {
        // Every step is tried whatever the ones before it gave.
        {
            Variant method(L"get"), address(url.c_str()), async(false);
            VARIANT args[] = {*method.get(), *address.get(), *async.get()};
            Variant ignored;
            CallByName(request, L"Open", DISPATCH_METHOD, args, 3, ignored.get());
        }
        {
            Variant name(L"Content-Type"), value(L"application/x-www-form-urlencoded");
            VARIANT args[] = {*name.get(), *value.get()};
            Variant ignored;
            CallByName(request, L"SetRequestHeader", DISPATCH_METHOD, args, 2, ignored.get());
        }
        {
            Variant name(L"Connection"), value(L"close");
            VARIANT args[] = {*name.get(), *value.get()};
            Variant ignored;
            CallByName(request, L"SetRequestHeader", DISPATCH_METHOD, args, 2, ignored.get());
        }
        {
            Variant empty(L"");
            VARIANT args[] = {*empty.get()};
            Variant ignored;
            CallByName(request, L"Send", DISPATCH_METHOD, args, 1, ignored.get());
        }
        {
            Variant value;
            if (SUCCEEDED(CallByName(request, L"responseBody", DISPATCH_PROPERTYGET, nullptr, 0,
                                     value.get()))) {
                body = BytesOf(*value.get());
            }
        }
        request->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return body;
}

struct Download {
    std::wstring url;
    HANDLE done = nullptr;
    std::mutex mutex;
    ByteBuffer body;
    ~Download() {
        if (done) CloseHandle(done);
    }
};

DWORD WINAPI RunDownload(LPVOID parameter) {
    auto* owner = static_cast<std::shared_ptr<Download>*>(parameter);
    std::shared_ptr<Download> download = std::move(*owner);
    delete owner;
    ByteBuffer body = RequestBody(download->url);
    {
        std::lock_guard<std::mutex> lock(download->mutex);
        download->body = std::move(body);
    }
    SetEvent(download->done);
    return 0;
}

}  // namespace

ByteBuffer FetchUrlBytes(std::string_view url, std::uint32_t timeLimitMs) {
    auto download = std::make_shared<Download>();
    download->url = WideFromGbk(url);
    download->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (download->done == nullptr) return ByteBuffer();
    auto* handOver = new std::shared_ptr<Download>(download);
    HANDLE thread = CreateThread(nullptr, 0, RunDownload, handOver, 0, nullptr);
    if (thread == nullptr) {
        delete handOver;
        return ByteBuffer();
    }
    CloseHandle(thread);
    if (WaitForSingleObject(download->done, timeLimitMs) != WAIT_OBJECT_0) return ByteBuffer();
    std::lock_guard<std::mutex> lock(download->mutex);
    return std::move(download->body);
}

}  // namespace velmora
