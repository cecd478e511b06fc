// Persistent and calculated fields, new-record and error events, a single-field data link as an
// edit control uses it, logical display values, the locale's date format, memory streams.

#include "dataset_testutil.h"

#include "dbf/dataset/field_classes.h"
#include "dbf/dataset/field_list.h"
#include "platform/data/datasource.h"
#include "platform/data/stream.h"

namespace {

using dstest::DatasetTest;

template <class F> F* Add(TDataSet& ds, const char* name, TFieldKind kind = fkData) {
    auto f = std::make_unique<F>();
    f->SetFieldName(name);
    f->SetFieldKind(kind);
    return static_cast<F*>(ds.AddField(std::move(f)));
}

TEST_F(DatasetTest, CalculatedFieldsFollowEveryRecord) {
    dstest::Reference("make '" + path_ + "'");
    dstest::TTestTable t;
    t.SetDbfFileName(path_);
    Add<TStringField>(t, "NAME")->SetSize(20);
    TField* qty = Add<TIntegerField>(t, "QTY");
    TField* price = Add<TFloatField>(t, "PRICE");
    TField* total = Add<TFloatField>(t, "TOTAL", fkCalculated);
    TField* recno = Add<TIntegerField>(t, "RECNO", fkCalculated);
    t.OnCalcFields = [&](TDataSet& ds) {
        total->SetAsFloat(qty->AsInteger() * price->AsFloat());
        recno->SetAsInteger(ds.RecNo());
    };
    t.Open();
    EXPECT_EQ(t.Fields().Count(), 5);
    EXPECT_EQ(t.FindField("OK"), nullptr); // persistent fields only
    std::vector<std::string> got, want;
    for (t.First(); !t.Eof(); t.Next())
        got.push_back(FloatToText(total->AsFloat()) + " " + recno->AsString());
    int n = 0;
    for (const std::string& row : dstest::View(path_)) {
        std::istringstream in(row);
        std::string state, name, q, big, p;
        std::getline(in, state, '\t');
        std::getline(in, name, '\t');
        std::getline(in, q, '\t');
        std::getline(in, big, '\t');
        std::getline(in, p, '\t');
        want.push_back(FloatToText(std::stoi(q) * std::stod(p)) + " " + std::to_string(++n));
    }
    EXPECT_EQ(got, want);
    // Recalculated as a value changes, and part of a lookup's result.
    t.SetRecNo(3);
    t.Edit();
    qty->SetAsInteger(10);
    EXPECT_EQ(total->AsFloat(), 2.5);
    EXPECT_FALSE(total->CanModify()); // controls leave calculated fields alone
    EXPECT_TRUE(qty->CanModify());
    t.Cancel();
    const TVarArray found = t.Lookup("NAME", {std::string("Lager")}, "TOTAL;RECNO");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(std::get<double>(found[0]), 40 * 99.99);
    EXPECT_EQ(std::get<std::int64_t>(found[1]), 4);
    EXPECT_EQ(recno->AsInteger(), 3);
    t.Close();
    // A persistent field of another type than the table's refuses the opening.
    dstest::TTestTable wrong;
    wrong.SetDbfFileName(path_);
    Add<TStringField>(wrong, "QTY");
    EXPECT_THROW(wrong.Open(), EDatabaseError);
    EXPECT_FALSE(wrong.Active());
}

TEST_F(DatasetTest, NewRecordAndErrorEventsDecide) {
    dstest::TTestTable& t = OpenFixture();
    t.OnNewRecord = [](TDataSet& ds) { ds.FieldByName("QTY")->SetAsInteger(1); };
    t.Append();
    EXPECT_EQ(t.FieldByName("QTY")->AsInteger(), 1);
    EXPECT_FALSE(t.Modified()); // defaults are not the user's change
    t.Cancel();

    t.SetRecNo(2);
    auto other = std::make_unique<dstest::LockHolder>(path_, 2);
    ASSERT_TRUE(other->Locked());
    int asked = 0;
    t.OnDeleteError = [&](TDataSet&, EDatabaseError&, TDataAction& action) {
        action = ++asked == 1 ? daAbort : daRetry;
        if (asked == 2) other.reset(); // the other user lets go, the retry succeeds
    };
    EXPECT_THROW(t.Delete(), EAbort);
    EXPECT_EQ(t.RecNo(), 2);
    t.Delete();
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(t.IsDeleted());
    EXPECT_EQ(dstest::View(path_)[1].substr(0, 5), "gone\t");
}

// A text control on one field: shows the value, hands its text over when the record is posted.
TEST_F(DatasetTest, FieldDataLinkCarriesAControlsEdit) {
    dstest::TTestTable& t = OpenFixture();
    TDataSource source(&t);
    TFieldDataLink link;
    std::string text;
    int shown = 0;
    link.OnDataChange = [&] {
        text = link.Field() ? link.Field()->DisplayText() : "";
        ++shown;
    };
    link.OnUpdateData = [&] { link.Field()->SetAsString(text); };
    link.SetDataSource(&source);
    link.SetFieldName("name");
    EXPECT_EQ(text, "Zahnrad");
    t.Next();
    EXPECT_EQ(text, "Ritzel M\u00fcller");
    ASSERT_TRUE(link.Edit());
    EXPECT_TRUE(link.CanModify());
    text = "Tellerrad"; // the user types
    link.Modified(true);
    t.Post();
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Tellerrad");
    EXPECT_EQ(text, "Tellerrad");
    source.AutoEdit = false;
    EXPECT_FALSE(link.Edit());
    link.SetReadOnly(true);
    EXPECT_FALSE(link.CanModify());
    const int before = shown;
    source.SetEnabled(false);
    t.Next();
    EXPECT_EQ(shown, before + 1); // told once that it is inactive, then nothing
    EXPECT_EQ(link.Field(), nullptr);
    t.Close();
    EXPECT_EQ(dstest::View(path_)[1].substr(0, 15), "live\tTellerrad\t");
}

TEST(DatasetFields, LogicalTextsAndLocaleDates) {
    TBooleanField b;
    b.SetDisplayValues("Ja;Nein");
    EXPECT_EQ(b.TrueText(), "Ja");
    EXPECT_EQ(b.FalseText(), "Nein");
    b.SetDisplayValues("Yes");
    EXPECT_EQ(b.FalseText(), "");

    struct Case {
        const char* picture;
        char decimal;
        std::uint8_t format;
        bool fourDigits;
    };
    const TFormatSettings saved = FormatSettings;
    for (const Case& c : {Case{"dd.MM.yyyy", ',', 5, true}, Case{"dd-MM-yy", '.', 3, false},
                          Case{"d/M/yyyy", '.', 2, true}, Case{"yyyy-MM-dd", '.', 1, true},
                          Case{"M/d/yy", '.', 0, false}}) {
        FormatSettings.ShortDateFormat = c.picture;
        FormatSettings.DecimalSeparator = c.decimal;
        dbf::ApplyLocaleDateFormat();
        EXPECT_EQ(dbf::DateFormat, c.format) << c.picture;
        EXPECT_EQ(dbf::FourDigitYears, c.fourDigits) << c.picture;
        EXPECT_EQ(dbf::DecimalChar, c.decimal) << c.picture;
        TDateTime d = 0;
        ASSERT_TRUE(TextToDate(DateToText(40461), d)) << c.picture;
        EXPECT_EQ(d, 40461) << DateToText(40461);
    }
    FormatSettings = saved;
}

TEST(DatasetFields, MemoryStreams) {
    TMemoryStream a;
    a.WriteBuffer("gear rack", 9);
    EXPECT_EQ(a.Size(), 9);
    EXPECT_EQ(a.Seek(-4, soEnd), 5);
    char buf[8] = {};
    EXPECT_EQ(a.Read(buf, 8), 4);
    EXPECT_STREQ(buf, "rack");
    EXPECT_THROW(a.ReadBuffer(buf, 1), EStreamError);
    a.SetPosition(4);
    a.WriteBuffer("-", 1);
    TMemoryStream b;
    EXPECT_EQ(b.CopyFrom(a, 0), 9);
    EXPECT_EQ(std::string(b.Memory().begin(), b.Memory().end()), "gear-rack");
}

} // namespace
