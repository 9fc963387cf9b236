/* The add-in's public binary interface, usable from C: the type library vlmWFRM_TRV3, its class
   CWaveForm (ProgID "vlmWFRM_TRV3.CWaveForm") and the class's default dual interface _CWaveForm.
   The identifiers never change from build to build, so registered hosts keep finding the class. */
#ifndef TRV3_ADDIN_WAVEFORM_INTERFACE_H
#define TRV3_ADDIN_WAVEFORM_INTERFACE_H

#include "platform/com/abi.h"

#ifdef __cplusplus
extern "C" {
#endif

TRV3_ABI_GUID(LIBID_vlmWFRM_TRV3, 0x503A8DEA, 0xC4B4, 0x42FD, 0x85, 0x84, 0xEB, 0x93, 0x57, 0xCC, 0x85,
              0x0A);
TRV3_ABI_GUID(CLSID_CWaveForm, 0x792C262D, 0xBBA0, 0x47C1, 0xAE, 0x88, 0xDC, 0xBF, 0xD6, 0x3A, 0x7A, 0x87);
TRV3_ABI_GUID(IID__CWaveForm, 0xAC8876E4, 0xA64F, 0x4BE3, 0xBF, 0x20, 0x74, 0xB7, 0xCE, 0x7E, 0x76, 0xD8);

#define CWAVEFORM_PROGID "vlmWFRM_TRV3.CWaveForm"

#define DISPID_CWAVEFORM_MODULE ((DISPID)0x40030000)
#define DISPID_CWAVEFORM_CTYPE ((DISPID)0x68030000)
#define DISPID_CWAVEFORM_WAVEFORMRESULT ((DISPID)0x68030001)
#define DISPID_CWAVEFORM_COUNTRYCODE ((DISPID)0x68030002)
#define DISPID_CWAVEFORM_COMPONENTID ((DISPID)0x68030003)
#define DISPID_CWAVEFORM_GETWAVEFORM ((DISPID)0x60030004)
#define DISPID_CWAVEFORM_EXECUTE ((DISPID)0x60030005)

typedef struct _CWaveForm _CWaveForm;

/* IDispatch's seven entries, then the members in interface order; a property's get, let and set
   forms are separate entries. */
typedef struct _CWaveFormVtbl {
  HRESULT (*QueryInterface)(_CWaveForm* self, const IID* iid, void** object);
  uint32_t (*AddRef)(_CWaveForm* self);
  uint32_t (*Release)(_CWaveForm* self);
  HRESULT (*GetTypeInfoCount)(_CWaveForm* self, uint32_t* count);
  HRESULT (*GetTypeInfo)(_CWaveForm* self, uint32_t index, LCID lcid, void** typeInfo);
  HRESULT (*GetIDsOfNames)(_CWaveForm* self, const IID* iid, OLECHAR** names, uint32_t count,
                           LCID lcid, DISPID* ids);
  HRESULT (*Invoke)(_CWaveForm* self, DISPID member, const IID* iid, LCID lcid, uint16_t flags,
                    DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                    uint32_t* argumentError);
  HRESULT (*get_module)(_CWaveForm* self, VARIANT* value);
  HRESULT (*let_module)(_CWaveForm* self, VARIANT value);
  HRESULT (*set_module)(_CWaveForm* self, VARIANT value);
  HRESULT (*getWaveform)(_CWaveForm* self, VARIANT* wform, double* wTime);
  HRESULT (*get_ComponentID)(_CWaveForm* self, BSTR* value);
  HRESULT (*get_countryCode)(_CWaveForm* self, int32_t* value);
  HRESULT (*let_countryCode)(_CWaveForm* self, int32_t value);
  HRESULT (*get_WaveFormResult)(_CWaveForm* self, int32_t* value);
  HRESULT (*get_CType)(_CWaveForm* self, VARIANT* value);
  HRESULT (*Execute)(_CWaveForm* self, int32_t* Action, VARIANT* data, VARIANT_BOOL* result);
} _CWaveFormVtbl;

struct _CWaveForm {
  const _CWaveFormVtbl* lpVtbl;
};

#ifdef __cplusplus
}
#endif

#endif
