#include "platform/com/error_info.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/com/automation.h"
#include "platform/com/bstr.h"
#include "platform/com/call_boundary.h"
#include "platform/com/guid.h"
#include "platform/com/module_lock.h"

namespace trv3::com {
namespace {

TEST(ErrorNumbers, RunTimeNumbersTravelInTheControlRangeAndObjectErrorsAsThemselves) {
  EXPECT_EQ(hresultFromErrorNumber(rt::Overflow), static_cast<HRESULT>(0x800A0006u));
  EXPECT_EQ(hresultFromErrorNumber(rt::LanguageNotFound), static_cast<HRESULT>(0x80040200u));
  EXPECT_EQ(errorNumberFromHresult(static_cast<HRESULT>(0x800A000Du)), rt::TypeMismatch);
  EXPECT_EQ(errorNumberFromHresult(static_cast<HRESULT>(0x80040202u)), rt::WrongLanguageComponent);
  EXPECT_EQ(hresultFromErrorNumber(0), E_FAIL);
}

TEST(CallBoundary, RunTimeErrorsBecomeStatusAndThisThreadsErrorInfo) {
  EXPECT_EQ(callBoundary([] {}), S_OK);
  EXPECT_FALSE(takeErrorInfo().has_value());
  const HRESULT status = callBoundary([] { raise(rt::LanguageNotFound, "Did not find language", "openlang"); });
  EXPECT_EQ(status, static_cast<HRESULT>(0x80040200u));
  const auto record = takeErrorInfo();
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->description, "Did not find language");
  EXPECT_EQ(record->source, "openlang");
  EXPECT_FALSE(takeErrorInfo().has_value());  // handed over once

  EXPECT_EQ(callBoundary([] { throw std::logic_error("ours"); }), E_UNEXPECTED);
  EXPECT_EQ(callBoundary([] { throw std::bad_alloc(); }), E_OUTOFMEMORY);
}

TEST(CallBoundary, ANewCallClearsTheErrorInfoOfAnEarlierOne) {
  callBoundary([] { raise(rt::Overflow); });
  callBoundary([] {});
  EXPECT_FALSE(takeErrorInfo().has_value());
}

TEST(ErrorInfoObjects, DescribeTheRecordThroughTheirVtable) {
  EXPECT_FALSE(moduleInUse());
  IErrorInfo* info = createErrorInfo({E_FAIL, "Überlauf", "src"});
  EXPECT_TRUE(moduleInUse());
  BSTR text = nullptr;
  ASSERT_EQ(info->lpVtbl->GetDescription(info, &text), S_OK);
  EXPECT_EQ(bstrToUtf8(text), "Überlauf");
  SysFreeString(text);
  ASSERT_EQ(info->lpVtbl->GetSource(info, &text), S_OK);
  EXPECT_EQ(bstrToUtf8(text), "src");
  SysFreeString(text);
  void* same = nullptr;
  EXPECT_EQ(info->lpVtbl->QueryInterface(info, &IID_IErrorInfo, &same), S_OK);
  EXPECT_EQ(same, info);
  EXPECT_EQ(info->lpVtbl->Release(info), 1u);
  EXPECT_EQ(info->lpVtbl->Release(info), 0u);
  EXPECT_FALSE(moduleInUse());
}

TEST(ErrorInfoObjects, ExcepInfoCarriesTheRecordAndGivesItBack) {
  EXCEPINFO exception{};
  fillExcepInfo(exception, {static_cast<HRESULT>(0x800A0006u), "Overflow", "addin"});
  EXPECT_EQ(exception.scode, static_cast<HRESULT>(0x800A0006u));
  const ErrorRecord record = takeExcepInfo(exception);
  EXPECT_EQ(record.description, "Overflow");
  EXPECT_EQ(record.source, "addin");
  EXPECT_EQ(exception.bstrDescription, nullptr);
  const RuntimeError error = toRuntimeError({static_cast<HRESULT>(0x800A000Du), "", "x"});
  EXPECT_EQ(error.number(), rt::TypeMismatch);
  EXPECT_EQ(error.description(), "Type mismatch");
}

TEST(Guids, RegistryTextRoundTripsAndBadTextIsRefused) {
  const GUID guid = {0x792C262D, 0xBBA0, 0x47C1, {0xAE, 0x88, 0xDC, 0xBF, 0xD6, 0x3A, 0x7A, 0x87}};
  EXPECT_EQ(guidToString(guid), "{792C262D-BBA0-47C1-AE88-DCBFD63A7A87}");
  const auto parsed = parseGuid("{792c262d-bba0-47c1-ae88-dcbfd63a7a87}");
  ASSERT_TRUE(parsed.has_value());
  EXPECT_TRUE(*parsed == guid);
  for (const char* bad : {"", "792C262D-BBA0-47C1-AE88-DCBFD63A7A87", "{792C262D-BBA0-47C1-AE88-DCBFD63A7A8G}",
                          "{792C262DBBA0-47C1-AE88-DCBFD63A7A87-}", "{792C262D-BBA0-47C1-AE88-DCBFD63A7A8}"})
    EXPECT_FALSE(parseGuid(bad).has_value()) << bad;
}

}  // namespace
}  // namespace trv3::com
