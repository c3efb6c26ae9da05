// A terminal for the test of several terminals: posts bills one after another through the program's own
// drawing and writing code, on the shop database named by the definition files of its program folder.
//
//   posting_terminal PROGRAM_DIR BILL_DATE BILLS LINES NAME [DAYS]
//
// With DAYS the bills go round the DAYS days from BILL_DATE on, one day after the other, so that the
// terminals start each day at about the same moment.
// Prints "BILL <number>" for each bill written and "FAIL <number> <reason>" for each one that was not;
// exits with 0 when every bill was written.

#include "data/DateText.h"
#include "transfer/core/BillNumbers.h"
#include "transfer/core/BillWriter.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/TransferStore.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

class DayClock : public data::IClock {
public:
    QDateTime now() const override { return QDateTime(day, QTime::currentTime()); }
    QDate day;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: posting_terminal PROGRAM_DIR BILL_DATE BILLS LINES NAME [DAYS]\n");
        return 2;
    }
    const std::string programDir = argv[1];
    const int bills = std::stoi(argv[3]);
    const int lineCount = std::stoi(argv[4]);
    const std::string name = argv[5];
    const int days = argc == 7 ? std::max(1, std::stoi(argv[6])) : 1;
    const auto day = data::parseDate(argv[2]);
    if (!day) {
        std::fprintf(stderr, "posting_terminal: '%s' is no date\n", argv[2]);
        return 2;
    }
    DayClock clock;

    try {
        transfer::TransferStore store(programDir);
        transfer::BillHeader bill{.billNo = "", .sendingStock = "S01", .receivingStock = "S02", .storeId = "K001"};
        transfer::createLineTable(store.ClientDataSet2);
        auto &lines = store.ClientDataSet2;
        for (int i = 1; i <= lineCount; ++i) {
            char id[16];
            std::snprintf(id, sizeof id, "P%04d", i);
            lines.append();
            lines.fieldByName("Sno").setAsInteger(i);
            lines.fieldByName("PROD_ID").setAsString(id);
            lines.fieldByName("PROD_NAME").setAsString(std::string("product ") + id);
            lines.fieldByName("T_QTY").setAsInteger(1000);
            lines.fieldByName("M_QTY").setAsInteger(i);
            lines.post();
        }

        transfer::BillNumbers numbers(store.SQL_ID);
        transfer::BillWriter writer({store.SQL_Product, store.SQL_Master, store.SQL_Sub}, clock);
        int failed = 0;
        for (int b = 0; b < bills; ++b) {
            clock.day = day->addDays(b % days);
            const std::string billDate = data::formatDate(clock.day);
            numbers.provideDayRow(billDate);
            bill.billNo = numbers.draw("TEMP_MOVEID", billDate);
            const transfer::BillWriter::Result result =
                writer.write(bill, name + "_terminal", transfer::LineTable(store.ClientDataSet2));
            if (result.written) {
                std::printf("BILL %s\n", bill.billNo.c_str());
            } else {
                std::printf("FAIL %s %s\n", bill.billNo.c_str(), result.error.c_str());
                ++failed;
            }
            std::fflush(stdout);
        }
        return failed == 0 ? 0 : 1;
    } catch (const std::exception &error) {
        std::printf("FAIL - %s\n", error.what());
        return 1;
    }
}
