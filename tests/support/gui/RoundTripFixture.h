#pragma once
// CRoundTripFixture: a page's fields read from and configured back to the
// simulated drive, group by group (FieldRoundTrip.h).
//
//   using SafetyTrip = CRoundTripFixture<CSafetyDlg, &CDemoDlg::SafetyPage>;
//   TEST_F(SafetyTrip, ...) { Trip({"safety"}, "readButton", "writeButton"); }

#include <QPushButton>
#include <QStringList>
#include <initializer_list>

#include "FieldRoundTrip.h"
#include "PageFixture.h"

template <class Page, Page* (CDemoDlg::*Accessor)() const>
class CRoundTripFixture : public CPageFixture<Page, Accessor> {
protected:
    // The groups' samples in the drive, "read" shows them all under
    // `units`, then with the drive's registers overwritten "configure"
    // brings every one back.
    void Trip(std::initializer_list<const char*> groupKeys, const char* read, const char* configure,
              const FieldRules::Units& units = {})
    {
        using namespace FieldRoundTrip;
        std::vector<const FieldRules::Group*> groups;
        std::vector<Words> samples;
        for (const char* key : groupKeys) {
            groups.push_back(&GroupByKey(key));
            samples.push_back(Samples(*groups.back()));
            Preset(*this->m_sim, *groups.back(), samples.back());
        }
        GuiActions::Click(this->template W<QPushButton>(read));
        ASSERT_EQ(this->m_boxes.Count(), 0) << this->m_boxes.LastText().toStdString();
        for (size_t i = 0; i < groups.size(); ++i) ExpectShown(this->page, *groups[i], samples[i], units);

        for (const FieldRules::Group* group : groups) Preset(*this->m_sim, *group, Words(group->count, 0x5555));
        GuiActions::Click(this->template W<QPushButton>(configure));
        EXPECT_EQ(this->m_boxes.Texts(), QStringList{QStringLiteral("操作成功")});
        for (size_t i = 0; i < groups.size(); ++i)
            EXPECT_EQ(Registers(*this->m_sim, *groups[i]), Sent(*groups[i], samples[i])) << groups[i]->key;
    }
};
