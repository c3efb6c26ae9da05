#include "LineTable.h"

namespace transfer {

namespace {

using data::TFieldType;

constexpr const char *FieldNames[LineFieldCount] = {"Sno", "PROD_ID", "PROD_NAME", "T_QTY", "NOW_QTY", "SAL_QTY",
                                                    "M_QTY"};

/// Defines the fields that the line table and the picked-product set share, and their index.
void defineLineFields(data::TClientDataSet &t, bool withLineNumber)
{
    t.close();
    t.fieldDefs().clear();
    t.indexDefs().clear();
    if (withLineNumber)
        t.addFieldDef(FieldNames[Sno], TFieldType::ftInteger);
    t.addFieldDef(FieldNames[PROD_ID], TFieldType::ftString, 20);
    t.addFieldDef(FieldNames[PROD_NAME], TFieldType::ftString, 50);
    for (const LineField f : {T_QTY, NOW_QTY, SAL_QTY, M_QTY})
        t.addFieldDef(FieldNames[f], TFieldType::ftInteger);
    t.addIndexDef("IntIndex", FieldNames[PROD_ID]);
    t.createDataSet();
}

} // namespace

void createLineTable(data::TClientDataSet &set)
{
    defineLineFields(set, true);
}

void createPickedSet(data::TClientDataSet &set)
{
    defineLineFields(set, false);
}

LineTable::LineTable(data::TClientDataSet &set) : set_(set)
{
    for (int f = 0; f < LineFieldCount; ++f) {
        const data::TField *found = set.findField(FieldNames[f]);
        positions_[f] = found ? found->index() : -1;
    }
}

data::TField &LineTable::field(LineField f) const
{
    return positions_[f] < 0 ? set_.fieldByName(FieldNames[f]) : set_.fields(positions_[f]);
}

int LineTable::position(LineField f) const
{
    return positions_[f] < 0 ? set_.fieldByName(FieldNames[f]).index() : positions_[f];
}

bool LineTable::locateProduct(const std::string &prodId) const
{
    return set_.locate(FieldNames[PROD_ID], prodId);
}

bool LineTable::hasStoredLines() const
{
    return set_.active() && set_.recordCount() > 0;
}

void LineTable::lockFixedColumns(bool locked) const
{
    if (!set_.active())
        return;
    for (int f = 0; f < FixedColumnCount; ++f)
        field(LineField(f)).setReadOnly(locked);
}

} // namespace transfer
