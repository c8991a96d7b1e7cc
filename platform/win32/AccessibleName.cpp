#include "platform/win32/AccessibleName.h"

#include <oleacc.h>

#include <algorithm>
#include <new>

#include "platform/win32/OptionalFunction.h"

// Interfaces by __uuidof: MinGW's oleacc library exports IID_IAccessible as a
// function of the DLL's, which a link can take for the identifier itself. The
// program links none of ole32, oleacc and oleaut32: each is loaded on first use.

namespace accessible_name {

namespace {

constexpr GUID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kIAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kNameProperty = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The system's accessible object with a name of our own, one COM identity as
// Microsoft's rules for wrappers ask: it hands out only interfaces it
// implements itself (IAccessible, its IDispatch, IOleWindow), each asking
// the system object for everything but the name; through IDispatch::Invoke
// too, which would otherwise say the system object's name.
class Named final : public IAccessible, public IOleWindow {
public:
    Named(IAccessible* system, HWND control, std::wstring name)
        : system_(system), control_(control), name_(std::move(name)) {}
    Named(const Named&) = delete;
    Named& operator=(const Named&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible))
            *object = static_cast<IAccessible*>(this);
        else if (id == __uuidof(IOleWindow))
            *object = static_cast<IOleWindow*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = control_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child)) return system_->get_accName(child, name);
        if (!name) return E_POINTER;
        using AllocateFn = BSTR(WINAPI*)(const OLECHAR*);
        static const auto allocate = OptionalFunction<AllocateFn>("oleaut32.dll", "SysAllocString");
        *name = allocate ? allocate(name_.c_str()) : nullptr;
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return system_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return system_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
        return system_->GetIDsOfNames(id, names, count, locale, ids);
    }
    // The name read as a property (its child the one optional argument) is
    // ours; every other member is the system object's, as it is by IAccessible.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* wrong) override {
        if (member == DISPID_ACC_NAME && (flags & DISPATCH_PROPERTYGET) && parameters && parameters->cArgs <= 1 &&
            parameters->cNamedArgs == 0) {
            VARIANT self{};
            self.vt = VT_I4;
            self.lVal = CHILDID_SELF;
            const VARIANT& child = parameters->cArgs ? parameters->rgvarg[0] : self;
            if (IsSelf(child) || child.vt == VT_ERROR || child.vt == VT_EMPTY) {  // VT_ERROR: left out
                if (!result) return E_POINTER;
                BSTR name = nullptr;
                const HRESULT got = get_accName(self, &name);
                if (SUCCEEDED(got)) result->vt = VT_BSTR, result->bstrVal = name;
                return got;
            }
        }
        return system_->Invoke(member, id, locale, flags, parameters, result, exception, wrong);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return system_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return system_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return system_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return system_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return system_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return system_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return system_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return system_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return system_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return system_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return system_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return system_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return system_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long how, VARIANT child) override { return system_->accSelect(how, child); }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        return system_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return system_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        return system_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return system_->accDoDefaultAction(child); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return system_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return system_->put_accValue(child, value);
    }

private:
    ~Named() { system_->Release(); }
    IAccessible* system_;
    HWND control_;
    std::wstring name_;
    LONG references_ = 1;
};

// The system's object for the control, named, as the answer to WM_GETOBJECT.
LRESULT Wrapped(HWND control, WPARAM wParam, const std::wstring& name) {
    using CreateFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
    using AnswerFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    static const auto create = OptionalFunction<CreateFn>("oleacc.dll", "CreateStdAccessibleObject");
    static const auto answer = OptionalFunction<AnswerFn>("oleacc.dll", "LresultFromObject");
    IAccessible* system = nullptr;
    if (!create || !answer ||
        FAILED(create(control, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&system))))
        return 0;
    Named* named = new (std::nothrow) Named(system, control, name);
    if (!named) {
        system->Release();
        return 0;
    }
    const LRESULT result = answer(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(named));
    named->Release();  // the answer holds its own reference
    return result;
}

}  // namespace

Names::~Names() {
    Forget();
    if (annotations_) annotations_->Release();
    using UninitializeFn = void(WINAPI*)();
    if (comStarted_)
        if (const auto uninitialize = OptionalFunction<UninitializeFn>("ole32.dll", "CoUninitialize")) uninitialize();
}

// COM on this thread, and Windows' annotation service where it has one.
void Names::Start() {
    if (started_) return;
    started_ = true;
    using InitializeFn = HRESULT(WINAPI*)(void*, DWORD);
    using CreateFn = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
    const auto initialize = OptionalFunction<InitializeFn>("ole32.dll", "CoInitializeEx");
    const auto create = OptionalFunction<CreateFn>("ole32.dll", "CoCreateInstance");
    comStarted_ = initialize && SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
    if (!comStarted_ || !create ||
        FAILED(create(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                      reinterpret_cast<void**>(&annotations_))))
        annotations_ = nullptr;
}

LRESULT Names::Answer(HWND control, WPARAM wParam, LPARAM lParam, const std::wstring& name) {
    // lParam carries a 32-bit object id, sign-extended or not.
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
    Start();
    if (std::find(annotated_.begin(), annotated_.end(), control) != annotated_.end()) return 0;
    // Wine answers E_NOTIMPL: its clients get the named object instead.
    if (annotations_ && SUCCEEDED(annotations_->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                               kNameProperty, name.c_str()))) {
        annotated_.push_back(control);
        return 0;
    }
    return Wrapped(control, wParam, name);
}

void Names::Forget() {
    for (HWND control : annotated_)
        annotations_->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &kNameProperty, 1);
    annotated_.clear();
}

}  // namespace accessible_name
