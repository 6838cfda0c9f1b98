// The add-in connection interface Office hosts call (IDTExtensibility2 of
// the AddInDesignerObjects type library), declared here because mingw-w64
// has no header for it. Dual: the vtable below, and IDispatch with the
// dispatch ids 1 to 5 in the same order.
#pragma once

#include <oaidl.h>

namespace velmora::win32 {

inline constexpr IID kIID_IDTExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// ext_ConnectMode and ext_DisconnectMode travel as 32-bit enums.
struct IDTExtensibility2 : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, int ConnectMode,
                                                 IDispatch* AddInInst, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(int RemoveMode, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};
#pragma GCC diagnostic pop

namespace addin_dispid {
inline constexpr DISPID kOnConnection = 1;
inline constexpr DISPID kOnDisconnection = 2;
inline constexpr DISPID kOnAddInsUpdate = 3;
inline constexpr DISPID kOnStartupComplete = 4;
inline constexpr DISPID kOnBeginShutdown = 5;
// The add-in's own public operations, reached by name.
inline constexpr DISPID kSendAll = 6;
inline constexpr DISPID kOnInspectorTimer = 7;
inline constexpr DISPID kOnTimer = 8;
inline constexpr DISPID kOnExitTimer = 9;
}  // namespace addin_dispid

}  // namespace velmora::win32
