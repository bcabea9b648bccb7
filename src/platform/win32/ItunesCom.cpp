// iTunes through its COM automation interface, late bound: every member is
// looked up by name on the objects' IDispatch, as Apple's type library names
// it. COM is initialised on the calling thread (the copy worker) while the
// application object lives. Built on Windows only.

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/ItunesAutomation.h"

namespace ortelan::platform {

namespace {

// {DC0C2640-1415-4644-875C-6F4D769839BA}: the iTunesApp class.
constexpr CLSID kItunesApp = {
    0xDC0C2640, 0x1415, 0x4644, {0x87, 0x5C, 0x6F, 0x4D, 0x76, 0x98, 0x39, 0xBA}};

std::wstring Wide(const std::string& text) {
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string Utf8(const wchar_t* text, int length) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

std::string SystemMessage(HRESULT code) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = text ? Utf8(text, -1) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\0' || message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  return message;
}

void Check(HRESULT code, EXCEPINFO* exception = nullptr) {
  if (SUCCEEDED(code)) return;
  if (exception && exception->bstrDescription) {
    const std::string text = Utf8(exception->bstrDescription, -1);
    SysFreeString(exception->bstrDescription);
    SysFreeString(exception->bstrSource);
    SysFreeString(exception->bstrHelpFile);
    throw ItunesError(text);
  }
  throw ItunesError(SystemMessage(code));
}

// A VARIANT that clears itself.
struct Value {
  VARIANT v;
  Value() { VariantInit(&v); }
  ~Value() { VariantClear(&v); }
  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;
  static Value Int(int number) {
    Value value;
    value.v.vt = VT_I4;
    value.v.lVal = number;
    return value;
  }
  static Value Text(const std::string& text) {
    Value value;
    value.v.vt = VT_BSTR;
    value.v.bstrVal = SysAllocString(Wide(text).c_str());
    return value;
  }
  Value(Value&& other) noexcept : v(other.v) { VariantInit(&other.v); }
};

// An automation object by its IDispatch.
class Object {
 public:
  explicit Object(IDispatch* dispatch = nullptr) : dispatch_(dispatch) {}
  Object(Object&& other) noexcept : dispatch_(std::exchange(other.dispatch_, nullptr)) {}
  ~Object() {
    if (dispatch_) dispatch_->Release();
  }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  Object& operator=(Object&& other) noexcept {
    std::swap(dispatch_, other.dispatch_);
    return *this;
  }
  explicit operator bool() const { return dispatch_ != nullptr; }
  IDispatch* Dispatch() const { return dispatch_; }

  // A property read or a method call; `args` in their written order.
  Value Get(const wchar_t* name, std::vector<VARIANT> args = {}) {
    return Invoke(name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(args));
  }
  void Put(const wchar_t* name, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    std::vector<VARIANT> args = {value};
    Invoke(name, DISPATCH_PROPERTYPUT, std::move(args), &named);
  }
  Object GetObject(const wchar_t* name, std::vector<VARIANT> args = {}) {
    Value value = Get(name, std::move(args));
    if (value.v.vt != VT_DISPATCH || !value.v.pdispVal) return Object();
    value.v.pdispVal->AddRef();
    return Object(value.v.pdispVal);
  }
  int GetInt(const wchar_t* name) {
    Value value = Get(name);
    Check(VariantChangeType(&value.v, &value.v, 0, VT_I4));
    return value.v.lVal;
  }
  bool GetBool(const wchar_t* name) {
    Value value = Get(name);
    Check(VariantChangeType(&value.v, &value.v, 0, VT_BOOL));
    return value.v.boolVal != VARIANT_FALSE;
  }
  std::string GetText(const wchar_t* name) {
    Value value = Get(name);
    if (value.v.vt != VT_BSTR || !value.v.bstrVal) return {};
    return Utf8(value.v.bstrVal, static_cast<int>(SysStringLen(value.v.bstrVal)));
  }

 private:
  Value Invoke(const wchar_t* name, WORD flags, std::vector<VARIANT> args,
               DISPID* named = nullptr) {
    if (!dispatch_) throw ItunesError("no object");
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    Check(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());  // IDispatch takes them last first
    DISPPARAMS params = {reversed.data(), named, static_cast<UINT>(reversed.size()),
                         named ? 1u : 0u};
    Value result;
    EXCEPINFO exception = {};
    Check(dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                            named ? nullptr : &result.v, &exception, nullptr),
          &exception);
    return result;
  }

  IDispatch* dispatch_;
};

class ComTrack : public ItunesTrack {
 public:
  explicit ComTrack(Object object) : object_(std::move(object)) {}
  int Kind() override { return object_.GetInt(L"Kind"); }
  std::string Location() override { return object_.GetText(L"Location"); }
  std::string Artist() override { return object_.GetText(L"Artist"); }
  ItunesObjectIds Ids() override {
    LONG ids[4] = {};
    std::vector<VARIANT> args(4);
    for (int i = 0; i < 4; ++i) {
      VariantInit(&args[i]);
      args[i].vt = VT_I4 | VT_BYREF;
      args[i].plVal = &ids[i];
    }
    object_.Get(L"GetITObjectIDs", args);
    return {ids[0], ids[1], ids[2], ids[3]};
  }
  void SetRating(int rating) override { object_.Put(L"Rating", Value::Int(rating).v); }
  void SetPlayedCount(int count) override { object_.Put(L"PlayedCount", Value::Int(count).v); }
  Object& Raw() { return object_; }

 private:
  Object object_;
};

std::unique_ptr<ItunesTrack> TrackOrNone(Object object) {
  return object ? std::make_unique<ComTrack>(std::move(object)) : nullptr;
}

std::unique_ptr<ItunesTrack> TrackByNameIn(Object& owner, const std::string& name) {
  Object tracks = owner.GetObject(L"Tracks");
  const Value title = Value::Text(name);
  return TrackOrNone(tracks.GetObject(L"ItemByName", {title.v}));
}

class ComImport : public ItunesImport {
 public:
  explicit ComImport(Object status) : status_(std::move(status)) {}
  bool InProgress() override { return status_.GetBool(L"InProgress"); }
  int TrackCount() override { return status_.GetObject(L"Tracks").GetInt(L"Count"); }
  std::unique_ptr<ItunesTrack> Track(int index) override {
    return TrackOrNone(status_.GetObject(L"Tracks").GetObject(L"Item", {Value::Int(index).v}));
  }

 private:
  Object status_;
};

class ComPlaylist : public ItunesPlaylist {
 public:
  explicit ComPlaylist(Object object) : object_(std::move(object)) {}
  int Kind() override { return object_.GetInt(L"Kind"); }
  std::string Name() override { return object_.GetText(L"Name"); }
  int SpecialKind() override { return object_.GetInt(L"SpecialKind"); }
  bool Smart() override { return object_.GetBool(L"Smart"); }
  std::unique_ptr<ItunesTrack> TrackByName(const std::string& name) override {
    return TrackByNameIn(object_, name);
  }
  void AddTrack(ItunesTrack& track) override {
    Value added;
    added.v.vt = VT_DISPATCH;
    added.v.pdispVal = static_cast<ComTrack&>(track).Raw().Dispatch();
    added.v.pdispVal->AddRef();
    object_.Get(L"AddTrack", {added.v});
  }

 private:
  Object object_;
};

class ComLibrary : public ItunesLibrary {
 public:
  explicit ComLibrary(Object object) : object_(std::move(object)) {}
  std::unique_ptr<ItunesTrack> TrackByName(const std::string& name) override {
    return TrackByNameIn(object_, name);
  }
  std::unique_ptr<ItunesImport> AddFile(const std::string& path) override {
    const Value file = Value::Text(path);
    Object status = object_.GetObject(L"AddFile", {file.v});
    return status ? std::make_unique<ComImport>(std::move(status)) : nullptr;
  }

 private:
  Object object_;
};

class ComPlaylists : public ItunesPlaylists {
 public:
  explicit ComPlaylists(Object object) : object_(std::move(object)) {}
  int Count() override { return object_.GetInt(L"Count"); }
  std::unique_ptr<ItunesPlaylist> Item(int index) override {
    Object list = object_.GetObject(L"Item", {Value::Int(index).v});
    return list ? std::make_unique<ComPlaylist>(std::move(list)) : nullptr;
  }

 private:
  Object object_;
};

// COM for the calling thread while the application object lives.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialised_) CoUninitialize();
  }

 private:
  bool initialised_;
};

class ComApplication : public ItunesApplication {
 public:
  ComApplication() {
    IDispatch* dispatch = nullptr;
    Check(CoCreateInstance(kItunesApp, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                           reinterpret_cast<void**>(&dispatch)));
    app_ = Object(dispatch);
  }
  void MinimiseMainWindow() override {
    const Value name = Value::Text("iTunes");
    Object window = app_.GetObject(L"Windows").GetObject(L"ItemByName", {name.v});
    Value yes;
    yes.v.vt = VT_BOOL;
    yes.v.boolVal = VARIANT_TRUE;
    window.Put(L"Minimized", yes.v);
  }
  std::unique_ptr<ItunesLibrary> LibraryPlaylist() override {
    return std::make_unique<ComLibrary>(app_.GetObject(L"LibraryPlaylist"));
  }
  std::unique_ptr<ItunesPlaylists> LibrarySourcePlaylists() override {
    return std::make_unique<ComPlaylists>(app_.GetObject(L"LibrarySource").GetObject(L"Playlists"));
  }
  std::unique_ptr<ItunesPlaylist> CreatePlaylist(const std::string& name) override {
    const Value text = Value::Text(name);
    return std::make_unique<ComPlaylist>(app_.GetObject(L"CreatePlaylist", {text.v}));
  }
  std::unique_ptr<ItunesTrack> ObjectByIds(const ItunesObjectIds& ids) override {
    return TrackOrNone(
        app_.GetObject(L"GetITObjectByID", {Value::Int(ids.Source).v, Value::Int(ids.Playlist).v,
                                            Value::Int(ids.Track).v, Value::Int(ids.Database).v}));
  }
  std::string Version() override { return app_.GetText(L"Version"); }

 private:
  ComScope com_;  // first in, last out
  Object app_;
};

}  // namespace

std::unique_ptr<ItunesApplication> ConnectItunes() { return std::make_unique<ComApplication>(); }

}  // namespace ortelan::platform
