/* The binary interface of our component model, usable from C and C++: status codes, GUIDs, UTF-16
   BSTRs, SAFEARRAYs, VARIANTs and the IUnknown / IClassFactory / IDispatch vtables. The vtable
   layout is the COM one (a pointer to a table of function pointers, `this` first), so a host written
   in C can call the add-in. It compiles as C89 and C++98 or later; before C11, -pedantic warns of
   VARIANT's nameless union (hosts write v.lVal, as with the platform's own header).

   Memory the add-in hands to a host comes from the C heap (malloc), laid out as automation lays it:
   - a BSTR's block starts at its 32-bit length prefix: free((uint32_t*)text - 1);
   - a SAFEARRAY's elements are a block of their own (pvData); its descriptor block starts 16 bytes
     before the descriptor when fFeatures has FADF_HAVEVARTYPE, FADF_HAVEIID or FADF_RECORD (the
     element type is then the 32-bit value just before the descriptor), else at the descriptor.
   The add-in exports no functions for this memory: a host frees it as above, and what the host's
   by-reference variable held before the add-in writes it (an old array in wform) the add-in frees
   so, BSTR, VARIANT and object elements included, unless the array is marked FADF_AUTO, FADF_STATIC
   or FADF_EMBEDDED. Invoke's riid IID_NULL is GUID_NULL here. */
#ifndef TRV3_COM_ABI_H
#define TRV3_COM_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The automation layout whatever packing the including unit has set (a host's own #pragma pack
   would otherwise move SAFEARRAY's pvData and EXCEPINFO's members). */
#pragma pack(push, 8)

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
#define RPC_E_WRONG_THREAD ((HRESULT)0x8001010Eu)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0u)
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
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000Du)
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
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF
};

/* Days since 30 December 1899, the fraction being the time of day. */
typedef double DATE;
/* Currency: a 64-bit integer scaled by 10000. */
typedef struct CY {
  int64_t int64;
} CY;
/* A 96-bit integer (Hi32, then Lo64) divided by 10 to the power scale (0 to 28); sign is 0 or
   DECIMAL_NEG. A VT_DECIMAL VARIANT is a DECIMAL in the VARIANT's first 16 bytes, its wReserved
   being the VARIANT's vt. */
typedef struct DECIMAL {
  uint16_t wReserved;
  uint8_t scale;
  uint8_t sign;
  uint32_t Hi32;
  uint64_t Lo64;
} DECIMAL;
#define DECIMAL_NEG ((uint8_t)0x80)

typedef struct SAFEARRAYBOUND {
  uint32_t cElements;
  int32_t lLbound;
} SAFEARRAYBOUND;

/* SAFEARRAY features */
#define FADF_AUTO 0x0001u      /* on the stack: never freed */
#define FADF_STATIC 0x0002u    /* static storage: never freed */
#define FADF_EMBEDDED 0x0004u  /* inside a structure: never freed */
#define FADF_FIXEDSIZE 0x0010u
#define FADF_RECORD 0x0020u
#define FADF_HAVEIID 0x0040u
#define FADF_HAVEVARTYPE 0x0080u
#define FADF_BSTR 0x0100u
#define FADF_UNKNOWN 0x0200u
#define FADF_DISPATCH 0x0400u
#define FADF_VARIANT 0x0800u

/* rgsabound holds cDims bounds, the last dimension first. */
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

/* A record value; declared outside VARIANT, where C++ allows no type inside an anonymous union. */
typedef struct BRECORD {
  void* pvRecord;
  void* pRecInfo;
} BRECORD;

typedef struct VARIANT {
  VARTYPE vt;
  uint16_t wReserved1;
  uint16_t wReserved2;
  uint16_t wReserved3;
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
    float fltVal;
    double dblVal;
    CY cyVal;
    DATE date;
    VARIANT_BOOL boolVal;
    HRESULT scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    int8_t* pcVal;
    uint8_t* pbVal;
    int16_t* piVal;
    uint16_t* puiVal;
    int32_t* plVal;
    uint32_t* pulVal;
    int32_t* pintVal;
    uint32_t* puintVal;
    int64_t* pllVal;
    uint64_t* pullVal;
    float* pfltVal;
    double* pdblVal;
    CY* pcyVal;
    DATE* pdate;
    VARIANT_BOOL* pboolVal;
    HRESULT* pscode;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    SAFEARRAY** pparray;
    DECIMAL* pdecVal;
    struct VARIANT* pvarVal;
    BRECORD brecVal; /* keeps the size of the platform's VARIANT */
  };
} VARIANT;
typedef VARIANT VARIANTARG;

/* Older hosts build as C89 or C++98, which lack static assertions: there an array of negative
   size stands in for a failed one. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define TRV3_ABI_ASSERT(condition, message) static_assert(condition, message)
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define TRV3_ABI_ASSERT(condition, message) _Static_assert(condition, message)
#else
#define TRV3_ABI_ASSERT_NAMED(condition, line) typedef char trv3_abi_assert_##line[(condition) ? 1 : -1]
#define TRV3_ABI_ASSERT_AT(condition, line) TRV3_ABI_ASSERT_NAMED(condition, line)
#define TRV3_ABI_ASSERT(condition, message) TRV3_ABI_ASSERT_AT(condition, __LINE__)
#endif
TRV3_ABI_ASSERT(sizeof(DECIMAL) == 16, "DECIMAL is 16 bytes");
TRV3_ABI_ASSERT(sizeof(VARIANT) >= sizeof(DECIMAL), "a DECIMAL fits in a VARIANT");
TRV3_ABI_ASSERT(sizeof(VARIANT) == 8 + 2 * sizeof(void*), "VARIANT has the automation size");
#undef TRV3_ABI_ASSERT
#undef TRV3_ABI_ASSERT_AT
#undef TRV3_ABI_ASSERT_NAMED

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

/* Tells whether an interface's failures leave error info (then read through IThreadErrorInfo). */
typedef struct ISupportErrorInfo ISupportErrorInfo;
typedef struct ISupportErrorInfoVtbl {
  HRESULT (*QueryInterface)(ISupportErrorInfo* self, const IID* iid, void** object);
  uint32_t (*AddRef)(ISupportErrorInfo* self);
  uint32_t (*Release)(ISupportErrorInfo* self);
  HRESULT (*InterfaceSupportsErrorInfo)(ISupportErrorInfo* self, const IID* iid); /* S_OK or S_FALSE */
} ISupportErrorInfoVtbl;
struct ISupportErrorInfo {
  const ISupportErrorInfoVtbl* lpVtbl;
};

/* The entry points of an in-process server library. */
typedef HRESULT (*DllGetClassObjectFn)(const CLSID* clsid, const IID* iid, void** object);
typedef HRESULT (*DllCanUnloadNowFn)(void);
typedef HRESULT (*DllRegisterServerFn)(void);

/* Each unit that includes this header gets its own GUIDs, of which it may use none (a header check
   compiling the header alone, say): unused ones draw no warning. */
#if defined(__GNUC__) || defined(__clang__)
#define TRV3_ABI_MAYBE_UNUSED __attribute__((unused))
#else
#define TRV3_ABI_MAYBE_UNUSED
#endif
#define TRV3_ABI_GUID(name, data1, data2, data3, b0, b1, b2, b3, b4, b5, b6, b7) \
  static const GUID name TRV3_ABI_MAYBE_UNUSED = {data1, data2, data3, {b0, b1, b2, b3, b4, b5, b6, b7}}

TRV3_ABI_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
TRV3_ABI_GUID(IID_IDispatch, 0x00020400, 0x0000, 0x0000, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
TRV3_ABI_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
TRV3_ABI_GUID(IID_IErrorInfo, 0x1CF2B120, 0x547D, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19);
TRV3_ABI_GUID(IID_IThreadErrorInfo, 0x65574581, 0x498A, 0x4295, 0xB4, 0xA3, 0x55, 0x87, 0xB5, 0xF1, 0x34,
              0x85);
TRV3_ABI_GUID(IID_ISupportErrorInfo, 0xDF0B3D60, 0x548F, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1,
              0x19);
TRV3_ABI_GUID(GUID_NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);

#pragma pack(pop)

#ifdef __cplusplus
}
#endif

#endif
