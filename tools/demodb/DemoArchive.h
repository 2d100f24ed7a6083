#pragma once
// Builds the archive of the demo agent through the data library and the
// program's database definition, as head office would deliver it: master
// data, price lists, promotions and kits valid today, customers with their
// sites, goals and commission rates, and a few completed and sent orders.

#include <QString>
#include <functional>

namespace demodb {

struct DemoOptions {
    QString file;  // the database file to create (must not exist)
    // Articles and customers each; 0 for the small demo (2 000 articles, 300
    // customers). A large archive also gets more goals and orders.
    long size = 0;
    unsigned seed = 2026;
};

struct DemoSummary {
    long articles = 0;
    long prices = 0;
    long customers = 0;
    long sites = 0;
    long orders = 0;
    long orderRows = 0;
};

// Creates and fills the file. Progress texts go to `report`. Raises
// core::AppError on failure (the caller removes the half-built file).
DemoSummary BuildDemoArchive(const DemoOptions& options, const std::function<void(const QString&)>& report);

// The agent and workstation of the demo archive.
inline constexpr const char* kDemoAgent = "DEMO";
inline constexpr int kDemoWorkstation = 1;

}  // namespace demodb
