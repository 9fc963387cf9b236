/* An example host in plain C. It uses only the published headers: it loads the add-in module,
   activates CWaveForm through DllGetClassObject, sets countryCode, calls getWaveform once through
   the vtable and once through Invoke with typed by-reference arguments, reads the error information
   of a failed call, and releases everything it was handed.

   Usage: c-host-example MODULE [COUNTRY-CODE]
   The set-up dialog is whatever user interface the add-in finds (TRV3_UI, TRV3_UI_SCRIPT). */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "addin/waveform_interface.h"
#include "platform/com/abi.h"

/* Memory the add-in hands over comes from the C heap, laid out as abi.h describes. */
static void freeText(BSTR text) {
  if (text != NULL) free((uint32_t*)text - 1);
}

static void freeInt32Array(SAFEARRAY* array) {
  if (array == NULL) return;
  free(array->pvData);
  if (array->fFeatures & (FADF_HAVEVARTYPE | FADF_HAVEIID | FADF_RECORD))
    free((char*)array - 16);
  else
    free(array);
}

/* Prints a BSTR's text; characters beyond ASCII print as '?', enough for an example. */
static void printText(BSTR text) {
  for (const OLECHAR* c = text; c != NULL && *c != 0; ++c) putchar(*c < 0x80 ? (int)*c : '?');
}

/* After a failed call: the description and source the add-in left for this thread. */
static void printErrorInfo(_CWaveForm* object, HRESULT status) {
  IThreadErrorInfo* provider = NULL;
  IErrorInfo* info = NULL;
  printf("  failed with 0x%08X", (unsigned)status);
  if (SUCCEEDED(object->lpVtbl->QueryInterface(object, &IID_IThreadErrorInfo, (void**)&provider))) {
    if (provider->lpVtbl->GetErrorInfo(provider, &info) == S_OK && info != NULL) {
      BSTR source = NULL;
      BSTR description = NULL;
      info->lpVtbl->GetSource(info, &source);
      info->lpVtbl->GetDescription(info, &description);
      printf(", source \"");
      printText(source);
      printf("\", description \"");
      printText(description);
      printf("\"");
      freeText(source);
      freeText(description);
      info->lpVtbl->Release(info);
    }
    provider->lpVtbl->Release(provider);
  }
  printf("\n");
}

static void printOutcome(_CWaveForm* object, const char* how, HRESULT status,
                         const SAFEARRAY* samples, double wTime) {
  int32_t result = 0;
  object->lpVtbl->get_WaveFormResult(object, &result);
  printf("%s: status 0x%08X, WaveFormResult %d, ", how, (unsigned)status, (int)result);
  if (samples != NULL && samples->cDims == 1) {
    const int32_t* codes = (const int32_t*)samples->pvData;
    printf("%u samples", (unsigned)samples->rgsabound[0].cElements);
    if (samples->rgsabound[0].cElements > 0) printf(" from %d", (int)codes[0]);
  } else {
    printf("no samples");
  }
  printf(", wTime %.9g\n", wTime);
}

/* countryCode through Invoke with a 16-bit value and no EXCEPINFO: a failure leaves its error
   information with the thread. */
static void setCountryCode(_CWaveForm* object, int16_t code) {
  VARIANT value;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params;
  uint32_t argumentError = 0;
  HRESULT status;
  value.vt = VT_I2;
  value.wReserved1 = value.wReserved2 = value.wReserved3 = 0;
  value.iVal = code;
  params.rgvarg = &value;
  params.rgdispidNamedArgs = &named;
  params.cArgs = 1;
  params.cNamedArgs = 1;
  status = object->lpVtbl->Invoke(object, DISPID_CWAVEFORM_COUNTRYCODE, &GUID_NULL, 0,
                                  DISPATCH_PROPERTYPUT, &params, NULL, NULL, &argumentError);
  printf("countryCode %d: status 0x%08X\n", (int)code, (unsigned)status);
  if (FAILED(status)) printErrorInfo(object, status);
}

static void fetchByVtable(_CWaveForm* object) {
  VARIANT wform;
  double wTime = 0.0;
  HRESULT status;
  wform.vt = VT_EMPTY;
  status = object->lpVtbl->getWaveform(object, &wform, &wTime);
  printOutcome(object, "vtable getWaveform", status,
               wform.vt == (VT_ARRAY | VT_I4) ? wform.parray : NULL, wTime);
  if (wform.vt == (VT_ARRAY | VT_I4)) freeInt32Array(wform.parray);
  if (wform.vt == VT_BSTR) freeText(wform.bstrVal);
}

/* The arguments a host with typed variables passes: an array of 32-bit integers and a double,
   both by reference; DISPPARAMS holds them last first. */
static void fetchByInvoke(_CWaveForm* object) {
  SAFEARRAY* samples = NULL;
  double wTime = 0.0;
  VARIANT arguments[2];
  DISPPARAMS params;
  uint32_t argumentError = 0;
  HRESULT status;
  arguments[1].vt = VT_BYREF | VT_ARRAY | VT_I4;
  arguments[1].pparray = &samples;
  arguments[0].vt = VT_BYREF | VT_R8;
  arguments[0].pdblVal = &wTime;
  params.rgvarg = arguments;
  params.rgdispidNamedArgs = NULL;
  params.cArgs = 2;
  params.cNamedArgs = 0;
  status = object->lpVtbl->Invoke(object, DISPID_CWAVEFORM_GETWAVEFORM, &GUID_NULL, 0,
                                  DISPATCH_METHOD, &params, NULL, NULL, &argumentError);
  printOutcome(object, "Invoke getWaveform", status, samples, wTime);
  if (status == DISP_E_TYPEMISMATCH) printf("  argument %u refused\n", (unsigned)argumentError);
  freeInt32Array(samples);
}

int main(int argc, char** argv) {
  void* module;
  void* symbol;
  DllGetClassObjectFn getClassObject;
  IClassFactory* factory = NULL;
  _CWaveForm* object = NULL;
  HRESULT status;
  if (argc < 2) {
    fprintf(stderr, "usage: %s MODULE [COUNTRY-CODE]\n", argv[0]);
    return 2;
  }
  module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (module == NULL) {
    fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
    return 2;
  }
  /* POSIX hands out functions as data pointers; ISO C converts them only bitwise. */
  symbol = dlsym(module, "DllGetClassObject");
  if (symbol == NULL) {
    fprintf(stderr, "%s has no DllGetClassObject\n", argv[1]);
    return 2;
  }
  memcpy(&getClassObject, &symbol, sizeof getClassObject);
  status = getClassObject(&CLSID_CWaveForm, &IID_IClassFactory, (void**)&factory);
  if (SUCCEEDED(status))
    status = factory->lpVtbl->CreateInstance(factory, NULL, &IID__CWaveForm, (void**)&object);
  if (factory != NULL) factory->lpVtbl->Release(factory);
  if (FAILED(status)) {
    fprintf(stderr, "cannot create CWaveForm: 0x%08X\n", (unsigned)status);
    return 2;
  }

  setCountryCode(object, (int16_t)(argc > 2 ? atoi(argv[2]) : 1));
  fetchByVtable(object);
  fetchByInvoke(object);

  object->lpVtbl->Release(object); /* termination saves the remembered settings */
  return 0;
}
