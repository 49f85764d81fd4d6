#include "lunet/LunetCtrl.h"

#include "lunet/LunetArguments.h"
#include "lunet/LunetFactory.h"
#include "lunet/LunetIds.h"
#include "lunet/LunetMethods.h"
#include "lunet/LunetProperties.h"
#include "lunet/LunetStrings.h"

using tarsel::com::Variant;
using tarsel::lunet::DispatchRefusal;
using tarsel::lunet::LunetCamera;
using tarsel::lunet::LunetRaise;
using tarsel::lunet::MemberInfo;
using tarsel::lunet::MemberKind;
using tarsel::lunet::NotSupported;

namespace {

// The version written with the persisted properties (1.0).
constexpr long kPersistVersion = 0x00010000;

// Whether an argument can take what the member's parameter type asks for:
// "out" parameters must be references of their type (or to a variant).
bool fits(VARTYPE param, const Variant& arg) {
  if ((param & VT_BYREF) == 0)
    return true;
  return arg.type() == param || arg.type() == (VT_BYREF | VT_VARIANT);
}

// How a member meets the camera: the control's own properties and a
// preview number it refuses touch none; Connect, DisConnect and
// propCameraReady report by result.
LunetCamera::Call callOf(const MemberInfo& member, bool put, const LunetCamera& camera) {
  switch (member.id) {
  case 1:
  case 2:
  case 3:
  case 27:
  case 28:
    return LunetCamera::Call::None;
  case 26:
    return put ? LunetCamera::Call::None : LunetCamera::Call::Reporting;
  case 35:
  case 36:
    return LunetCamera::Call::Reporting;
  case 62:
    return camera.propCurrentPicture != 0 ? LunetCamera::Call::None : LunetCamera::Call::Member;
  default:
    return LunetCamera::Call::Member;
  }
}

} // namespace

CLunetCtrl* CLunetCtrl::create(tarsel::lunet::LunetTimings timings) {
  return new CLunetCtrl(timings);
}

void CLunetCtrl::setTimings(const tarsel::lunet::LunetTimings& timings) {
  std::lock_guard guard(LunetCamera::lock());
  m_camera.setTimings(timings);
}

CLunetCtrl::CLunetCtrl(tarsel::lunet::LunetTimings timings)
    : m_refs(tarsel::lunet::lunetModuleCount()), m_camera(timings),
      m_events(*static_cast<IDispatch*>(this), tarsel::lunet::DIID_DLunetEvents) {
  m_camera.onProgress = [this](short percent) { fireProgress(percent); };
}

CLunetCtrl::~CLunetCtrl() {
  m_events.UnadviseAll();
}

HRESULT CLunetCtrl::QueryInterface(const IID& iid, void** object) {
  if (object == nullptr)
    return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == tarsel::lunet::DIID_DLunet)
    *object = static_cast<IDispatch*>(this);
  else if (iid == IID_IConnectionPointContainer)
    *object = static_cast<IConnectionPointContainer*>(this);
  else if (iid == IID_IPersistPropertyBag)
    *object = static_cast<IPersistPropertyBag*>(this);
  else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CLunetCtrl::AddRef() {
  return m_refs.addRef();
}

ULONG CLunetCtrl::Release() {
  const ULONG count = m_refs.release();
  if (count == 0)
    delete this;
  return count;
}

HRESULT CLunetCtrl::GetIDsOfNames(std::string_view name, DISPID* id) {
  if (id == nullptr)
    return E_POINTER;
  const MemberInfo* member = tarsel::lunet::findLunetMember(name);
  if (member == nullptr)
    return DISP_E_UNKNOWNNAME;
  *id = member->id;
  return S_OK;
}

HRESULT CLunetCtrl::Invoke(DISPID id, WORD flags, std::span<Variant> args, Variant* result,
                           EXCEPINFO* excepInfo) {
  const MemberInfo* member = tarsel::lunet::findLunetMember(id);
  if (member == nullptr)
    return DISP_E_MEMBERNOTFOUND;
  try {
    std::lock_guard guard(LunetCamera::lock());
    Variant out;
    if (member->kind == MemberKind::Property) {
      if ((flags & DISPATCH_PROPERTYPUT) != 0) {
        if (args.size() != 1)
          return DISP_E_BADPARAMCOUNT;
        if (!member->canSet)
          throw NotSupported{CTL_E_SETNOTSUPPORTED};
        LunetCamera::CallScope scope(m_camera, callOf(*member, true, m_camera));
        if (tarsel::lunet::putProperty(m_camera, id, args[0]))
          m_modified = true;
      } else if ((flags & DISPATCH_PROPERTYGET) != 0) {
        if (!args.empty())
          return DISP_E_BADPARAMCOUNT;
        if (!member->canGet)
          throw NotSupported{CTL_E_GETNOTSUPPORTED};
        LunetCamera::CallScope scope(m_camera, callOf(*member, false, m_camera));
        out = tarsel::lunet::getProperty(m_camera, id);
      } else {
        return DISP_E_MEMBERNOTFOUND;
      }
    } else {
      if ((flags & DISPATCH_METHOD) == 0)
        return DISP_E_MEMBERNOTFOUND;
      if (args.size() != static_cast<std::size_t>(member->paramCount))
        return DISP_E_BADPARAMCOUNT;
      for (std::size_t i = 0; i < args.size(); ++i) {
        if (!fits(member->params[i], args[i]))
          return DISP_E_TYPEMISMATCH;
      }
      LunetCamera::CallScope scope(m_camera, callOf(*member, false, m_camera));
      out = tarsel::lunet::callMethod(m_camera, id, args);
    }
    if (result != nullptr)
      *result = std::move(out);
    return S_OK;
  } catch (const LunetRaise& raise) {
    if (excepInfo != nullptr) {
      *excepInfo = EXCEPINFO{};
      excepInfo->wCode = static_cast<WORD>(raise.code);
      excepInfo->bstrSource = tarsel::lunet::kLunetSource;
      excepInfo->bstrDescription = tarsel::lunet::kLunetFailureText;
    }
    return DISP_E_EXCEPTION;
  } catch (const NotSupported& refused) {
    if (excepInfo != nullptr) {
      *excepInfo = EXCEPINFO{};
      excepInfo->scode = refused.scode;
      excepInfo->bstrSource = tarsel::lunet::kLunetSource;
    }
    return DISP_E_EXCEPTION;
  } catch (const DispatchRefusal& refusal) {
    return refusal.hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void CLunetCtrl::fireProgress(short percent) {
  Variant args[] = {Variant::fromShort(percent)};
  m_events.Fire(tarsel::lunet::kProgressEventId, args);
}

HRESULT CLunetCtrl::FindConnectionPoint(const IID& iid, IConnectionPoint** point) {
  if (point == nullptr)
    return E_POINTER;
  if (iid != tarsel::lunet::DIID_DLunetEvents) {
    *point = nullptr;
    return CONNECT_E_NOCONNECTION;
  }
  *point = &m_events;
  m_events.AddRef();
  return S_OK;
}

HRESULT CLunetCtrl::InitNew() {
  std::lock_guard guard(LunetCamera::lock());
  m_camera.propPort = 0;
  m_camera.propSpeed = 0;
  return S_OK;
}

HRESULT CLunetCtrl::Load(IPropertyBag* bag) {
  if (bag == nullptr)
    return E_POINTER;
  try {
    std::lock_guard guard(LunetCamera::lock());
    auto read = [&](const char* name) {
      Variant value;
      std::int32_t number = 0;
      if (FAILED(bag->Read(name, &value)) || FAILED(value.asLong(number)))
        return 0; // the default
      return number;
    };
    m_camera.propPort = read("propPort");
    m_camera.propSpeed = read("propSpeed");
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT CLunetCtrl::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
  if (bag == nullptr)
    return E_POINTER;
  try {
    std::lock_guard guard(LunetCamera::lock());
    HRESULT hr = bag->Write("_Version", Variant::fromLong(kPersistVersion));
    if (SUCCEEDED(hr))
      hr = bag->Write("propPort", Variant::fromLong(static_cast<std::int32_t>(m_camera.propPort)));
    if (SUCCEEDED(hr))
      hr = bag->Write("propSpeed", Variant::fromLong(static_cast<std::int32_t>(m_camera.propSpeed)));
    if (SUCCEEDED(hr) && clearDirty)
      m_modified = false;
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
