#pragma once
// Fixture of the expression tests: a table with one field of each kind open in area 1 under the
// alias CUST, helpers to compile, evaluate and read results, and a capture of reported errors.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dbf/table/work_areas.h"
#include "dbf/table/create.h"
#include "dbf/base/hooks.h"
#include "dbf/expr/values.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/expr/expression.h"
#include "dbffile_testutil.h"

namespace exprtest {

struct Reported {
    std::uint16_t code;
    std::string text;
};

inline std::vector<Reported>& Reports() {
    static std::vector<Reported> r;
    return r;
}

inline void CaptureReport() {
    Reports().push_back({dbf::LastErrorCode, dbf::GetErrorText()});
}

using dbftest::Def;

// Fields: NAME C(10), QTY N(8,2), CNT N(5,0), OK L, DATUM D, DATUM1 D, DATUM2 D, X L, Y L,
// RTRIM C(6) (a field named like a function), NOTE M.
class ExprTest : public ::testing::Test {
protected:
    void SetUp() override {
        dbf::InitTzCommon();
        dbf::InitWorkAreas();
        dbf::ClearEngineHooks();
        dbf::InitParser();
        dbf::SetErrorReporting(false);
        dbf::SetDateFormat(0);
        dbf::FourDigitYears = false;
        dbf::AnsiTables = true;
        Reports().clear();
        std::vector<dbf::TDbfFieldDesc> defs = {
            Def("NAME", 'C', 10), Def("QTY", 'N', 8, 2), Def("CNT", 'N', 5),    Def("OK", 'L', 1),
            Def("DATUM", 'D', 8), Def("DATUM1", 'D', 8), Def("DATUM2", 'D', 8), Def("X", 'L', 1),
            Def("Y", 'L', 1),     Def("RTRIM", 'C', 6),  Def("NOTE", 'M', 10)};
        dbf::TWorkArea scratch;
        dbf::CreateDbf(scratch, dir_ / "cust.dbf", defs);
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        ASSERT_TRUE(dbf::Select(1));
        dbf::Use(dir_ / "cust.dbf" + " ALIAS CUST EXCLUSIVE");
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    }
    void TearDown() override {
        for (dbf::CompiledExpr*& e : exprs_)
            dbf::FreeExpr(e);
        dbf::DoneWorkAreas();
        dbf::ErrorHook = nullptr;
        dbf::ResetErrorState();
        dbf::AnsiTables = false;
    }

    // Appends one record: NAME, QTY, CNT, OK, DATUM (YYYYMMDD or blank), DATUM1, DATUM2.
    void AddRecord(const std::string& name, double qty = 0, long cnt = 0, bool ok = false,
                   const std::string& datum = "        ", const std::string& d1 = "        ",
                   const std::string& d2 = "        ", bool x = false, bool y = false) {
        dbf::ClearRecord();
        dbf::SetVarString(dbf::FieldAddress(1), name, 10);
        dbf::SetVarDouble(dbf::FieldAddress(2), qty);
        dbf::SetVarInt64(dbf::FieldAddress(3), cnt);
        dbf::SetVarBool(dbf::FieldAddress(4), ok);
        dbf::SetVarString(dbf::FieldAddress(5), dbf::DbfTextToBlockDate(datum), 10);
        dbf::SetVarString(dbf::FieldAddress(6), dbf::DbfTextToBlockDate(d1), 10);
        dbf::SetVarString(dbf::FieldAddress(7), dbf::DbfTextToBlockDate(d2), 10);
        dbf::SetVarBool(dbf::FieldAddress(8), x);
        dbf::SetVarBool(dbf::FieldAddress(9), y);
        dbf::SetVarString(dbf::FieldAddress(10), "abc", 6);
        dbf::Append();
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    }

    dbf::CompiledExpr* Compile(const std::string& text) {
        dbf::CompiledExpr* e = dbf::AssignExpr(text);
        if (e != nullptr) exprs_.push_back(e);
        return e;
    }

    // The message of a failed compilation ("" when it compiled).
    std::string CompileError(const std::string& text) {
        Reports().clear();
        dbf::ErrorHook = &CaptureReport;
        dbf::SetErrorReporting(true);
        dbf::CompiledExpr* e = Compile(text);
        dbf::SetErrorReporting(false);
        dbf::ErrorHook = nullptr;
        if (e != nullptr) return "";
        if (Reports().size() != 2 || Reports()[1].code != 217) return "<unexpected reports>";
        return Reports()[0].text;
    }

    std::string Text(const std::string& expr) {
        dbf::CompiledExpr* e = Compile(expr);
        if (e == nullptr) return "<compile error>";
        if (e->ResultType != 'C') return "<not C>";
        return static_cast<const char*>(dbf::EvaluateExpr(e));
    }
    double Num(const std::string& expr) {
        dbf::CompiledExpr* e = Compile(expr);
        if (e == nullptr) return -999999;
        if (e->ResultType != 'N' && e->ResultType != 'D') return -888888;
        return *static_cast<const double*>(dbf::EvaluateExpr(e));
    }
    int Logical(const std::string& expr) {
        dbf::CompiledExpr* e = Compile(expr);
        if (e == nullptr) return -1;
        if (e->ResultType != 'L') return -2;
        return *static_cast<const std::int32_t*>(dbf::EvaluateExpr(e));
    }

    dbftest::ScratchDir dir_;
    std::vector<dbf::CompiledExpr*> exprs_;
};

} // namespace exprtest
