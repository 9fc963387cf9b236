/* The binary interface of our component model, usable from C and C++: status codes, GUIDs, UTF-16
   BSTRs, 1-D SAFEARRAYs, VARIANTs and the IUnknown / IClassFactory / IDispatch vtables. The vtable
   layout is the COM one (a pointer to a table of function pointers, `this` first), so a host written
   in C can call the add-in. */
#ifndef TRV3_COM_ABI_H
#define TRV3_COM_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t HRESULT;
typedef int16_t VARIANT_BOOL;
typedef uint16_t VARTYPE;
typedef uint16_t OLECHAR;
typedef OLECHAR* BSTR; /* points just past a 32-bit byte-length prefix; NUL-terminated */
typedef int32_t DISPID;
typedef uint32_t LCID;

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001u)
#define E_NOINTERFACE ((HRESULT)0x80004002u)
#define E_POINTER ((HRESULT)0x80004003u)
#define E_FAIL ((HRESULT)0x80004005u)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFu)
#define E_OUTOFMEMORY ((HRESULT)0x8007000Eu)
#define E_INVALIDARG ((HRESULT)0x80070057u)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110u)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111u)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154u)
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3u)
#define DISP_E_UNKNOWNINTERFACE ((HRESULT)0x80020001u)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003u)
#define DISP_E_PARAMNOTFOUND ((HRESULT)0x80020004u)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005u)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006u)
#define DISP_E_EXCEPTION ((HRESULT)0x80020009u)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000Au)
#define DISP_E_NONAMEDARGS ((HRESULT)0x80020007u)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008u)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000Eu)
#define DISP_E_BADINDEX ((HRESULT)0x8002000Bu)
#define SELFREG_E_TYPELIB ((HRESULT)0x80040200u)
#define SELFREG_E_CLASS ((HRESULT)0x80040201u)
#define CTL_E_BASE ((HRESULT)0x800A0000u) /* run-time error n travels as CTL_E_BASE + n */
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

typedef struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;

enum VARENUM {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000
};

typedef struct SAFEARRAYBOUND {
  uint32_t cElements;
  int32_t lLbound;
} SAFEARRAYBOUND;

typedef struct SAFEARRAY {
  uint16_t cDims;
  uint16_t fFeatures;
  uint32_t cbElements;
  uint32_t cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
} SAFEARRAY;

typedef struct IUnknown IUnknown;
typedef struct IDispatch IDispatch;
typedef struct IClassFactory IClassFactory;

typedef struct VARIANT {
  VARTYPE vt;
  uint16_t wReserved1;
  uint16_t wReserved2;
  uint16_t wReserved3;
  union {
    int16_t iVal;
    int32_t lVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    HRESULT scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    int16_t* piVal;
    int32_t* plVal;
    double* pdblVal;
    VARIANT_BOOL* pboolVal;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    SAFEARRAY** pparray;
    struct VARIANT* pvarVal;
    struct {
      void* pvRecord;
      void* pRecInfo;
    } brecVal; /* keeps the size of the platform's VARIANT */
  };
} VARIANT;
typedef VARIANT VARIANTARG;

typedef struct DISPPARAMS {
  VARIANTARG* rgvarg; /* arguments in reverse order */
  DISPID* rgdispidNamedArgs;
  uint32_t cArgs;
  uint32_t cNamedArgs;
} DISPPARAMS;

typedef struct EXCEPINFO {
  uint16_t wCode;
  uint16_t wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  uint32_t dwHelpContext;
  void* pvReserved;
  void* pfnDeferredFillIn;
  HRESULT scode;
} EXCEPINFO;

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define DISPID_PROPERTYPUT (-3)
#define DISPID_UNKNOWN (-1)

typedef struct IUnknownVtbl {
  HRESULT (*QueryInterface)(IUnknown* self, const IID* iid, void** object);
  uint32_t (*AddRef)(IUnknown* self);
  uint32_t (*Release)(IUnknown* self);
} IUnknownVtbl;
struct IUnknown {
  const IUnknownVtbl* lpVtbl;
};

typedef struct IDispatchVtbl {
  HRESULT (*QueryInterface)(IDispatch* self, const IID* iid, void** object);
  uint32_t (*AddRef)(IDispatch* self);
  uint32_t (*Release)(IDispatch* self);
  HRESULT (*GetTypeInfoCount)(IDispatch* self, uint32_t* count);
  HRESULT (*GetTypeInfo)(IDispatch* self, uint32_t index, LCID lcid, void** typeInfo);
  HRESULT (*GetIDsOfNames)(IDispatch* self, const IID* iid, OLECHAR** names, uint32_t count,
                           LCID lcid, DISPID* ids);
  HRESULT (*Invoke)(IDispatch* self, DISPID member, const IID* iid, LCID lcid, uint16_t flags,
                    DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                    uint32_t* argumentError);
} IDispatchVtbl;
struct IDispatch {
  const IDispatchVtbl* lpVtbl;
};

typedef struct IClassFactoryVtbl {
  HRESULT (*QueryInterface)(IClassFactory* self, const IID* iid, void** object);
  uint32_t (*AddRef)(IClassFactory* self);
  uint32_t (*Release)(IClassFactory* self);
  HRESULT (*CreateInstance)(IClassFactory* self, IUnknown* outer, const IID* iid, void** object);
  HRESULT (*LockServer)(IClassFactory* self, int32_t lock);
} IClassFactoryVtbl;
struct IClassFactory {
  const IClassFactoryVtbl* lpVtbl;
};

/* Error info: the description and source of the last failure of a call on this thread. */
typedef struct IErrorInfo IErrorInfo;
typedef struct IErrorInfoVtbl {
  HRESULT (*QueryInterface)(IErrorInfo* self, const IID* iid, void** object);
  uint32_t (*AddRef)(IErrorInfo* self);
  uint32_t (*Release)(IErrorInfo* self);
  HRESULT (*GetGUID)(IErrorInfo* self, GUID* guid);
  HRESULT (*GetSource)(IErrorInfo* self, BSTR* source);
  HRESULT (*GetDescription)(IErrorInfo* self, BSTR* description);
  HRESULT (*GetHelpFile)(IErrorInfo* self, BSTR* helpFile);
  HRESULT (*GetHelpContext)(IErrorInfo* self, uint32_t* helpContext);
} IErrorInfoVtbl;
struct IErrorInfo {
  const IErrorInfoVtbl* lpVtbl;
};

/* An in-process server keeps its error info in its own module, so a caller that used the vtable
   asks the object for it: GetErrorInfo hands over (and clears) the calling thread's error info of
   the object's module, or S_FALSE with NULL when there is none. */
typedef struct IThreadErrorInfo IThreadErrorInfo;
typedef struct IThreadErrorInfoVtbl {
  HRESULT (*QueryInterface)(IThreadErrorInfo* self, const IID* iid, void** object);
  uint32_t (*AddRef)(IThreadErrorInfo* self);
  uint32_t (*Release)(IThreadErrorInfo* self);
  HRESULT (*GetErrorInfo)(IThreadErrorInfo* self, IErrorInfo** info);
} IThreadErrorInfoVtbl;
struct IThreadErrorInfo {
  const IThreadErrorInfoVtbl* lpVtbl;
};

/* The entry points of an in-process server library. */
typedef HRESULT (*DllGetClassObjectFn)(const CLSID* clsid, const IID* iid, void** object);
typedef HRESULT (*DllCanUnloadNowFn)(void);
typedef HRESULT (*DllRegisterServerFn)(void);

extern const IID IID_IUnknown;
extern const IID IID_IDispatch;
extern const IID IID_IClassFactory;
extern const IID IID_IErrorInfo;
extern const IID IID_IThreadErrorInfo;
extern const GUID GUID_NULL;

#ifdef __cplusplus
}
#endif

#endif
