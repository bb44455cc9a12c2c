// The table of the welding cases, from the medians the console report shows.
#include "WeldTable.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ostream>
#include <set>
#include <string_view>
#include <system_error>

namespace {

constexpr int64_t kMillion = 1'000'000;

// "10K", "1M" and so on; argument 0 is the real mesh.
std::string SizeName(int64_t size) {
  if (size == 0) {
    return "mesh";
  }
  if (size % kMillion == 0) {
    return std::to_string(size / kMillion) + "M";
  }
  if (size % 1000 == 0) {
    return std::to_string(size / 1000) + "K";
  }
  return std::to_string(size);
}

std::string Format(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// text right-aligned in a column of ten.
std::string RightAligned(const std::string& text) {
  return std::string(10 - std::min<std::size_t>(10, text.size()), ' ') + text;
}

// Three significant digits, enough to tell cases apart without pretending to precision
// that run-to-run noise does not have.
std::string Significant(double value) {
  return value >= 100 ? Format("%.0f", value) : Format("%#.3g", value);
}

}  // namespace

void WeldTable::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") {
      continue;
    }
    std::string name = run.run_name.function_name;
    if (std::string_view(name).starts_with("BM_")) {
      name.erase(0, 3);
    }
    // The mesh size; cases without one have no place in the table.
    const std::string& args = run.run_name.args;
    int64_t size = 0;
    if (const auto parsed = std::from_chars(args.data(), args.data() + args.size(), size);
        parsed.ec != std::errc() || parsed.ptr != args.data() + args.size()) {
      continue;
    }
    if (std::find(cases_.begin(), cases_.end(), name) == cases_.end()) {
      cases_.push_back(name);
    }
    const auto counter = [&](const char* counterName) {
      const auto it = run.counters.find(counterName);
      return it != run.counters.end() ? it->second.value : -1.0;
    };
    cells_[{name, size}] = {
        run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3,
        counter("peakB/corner"), counter("vertices")};
  }
}

void WeldTable::Finalize() {
  ConsoleReporter::Finalize();
  if (cells_.empty()) {
    return;
  }
  // Columns: the sizes in increasing order, the real mesh last.
  std::set<int64_t> sizeSet;
  for (const auto& [key, cell] : cells_) {
    sizeSet.insert(key.second);
  }
  std::vector<int64_t> sizes(sizeSet.begin(), sizeSet.end());
  std::stable_partition(sizes.begin(), sizes.end(), [](int64_t size) { return size != 0; });
  std::size_t width = 4;
  for (const std::string& name : cases_) {
    width = std::max(width, name.size());
  }

  std::ostream& out = GetOutputStream();
  const auto label = [&](const std::string& name) {
    out << name << std::string(width + 2 - name.size(), ' ');
  };
  // A row of cells (none when no cell has anything to show).
  const auto row = [&](const std::string& name, auto&& cellText) {
    std::vector<std::string> texts;
    for (int64_t size : sizes) {
      const auto it = cells_.find({name, size});
      texts.push_back(it != cells_.end() ? cellText(it->second) : "");
    }
    if (std::all_of(texts.begin(), texts.end(), [](const std::string& t) { return t.empty(); })) {
      return;
    }
    label(name);
    for (const std::string& text : texts) {
      out << RightAligned(text);
    }
    out << '\n';
  };
  // A titled block: the sizes, then a row per case.
  const auto section = [&](const char* title, auto&& cellText) {
    out << '\n' << title << '\n' << std::string(width + 2, ' ');
    for (int64_t size : sizes) {
      out << RightAligned(SizeName(size));
    }
    out << '\n';
    for (const std::string& name : cases_) {
      row(name, cellText);
    }
  };

  section("Welding: median milliseconds",
          [](const Cell& cell) { return Significant(cell.milliseconds); });
  section("Peak heap, bytes per corner (beyond the returned arrays for this library)",
          [](const Cell& cell) {
            return cell.peakPerCorner < 0 ? std::string() : Format("%.1f", cell.peakPerCorner);
          });
  section("Welded vertices", [](const Cell& cell) {
    return cell.vertices < 0 ? std::string() : Format("%.0f", cell.vertices);
  });

  const auto millisecondsOf = [&](const std::string& name, int64_t size) {
    const auto it = cells_.find({name, size});
    return it != cells_.end() ? it->second.milliseconds : 0.0;
  };
  const std::string assimp = "Assimp_JoinVerticesAndTangents";
  if (const double reference = millisecondsOf(assimp, kMillion); reference > 0) {
    out << "\nAt 1M triangles, time as a share of Assimp's\n";
    for (const std::string& name : cases_) {
      if (name != assimp && millisecondsOf(name, kMillion) > 0) {
        label(name);
        out << Format("%10.3f", millisecondsOf(name, kMillion) / reference) << '\n';
      }
    }
  }
  bool grows = false;
  for (const std::string& name : cases_) {
    if (millisecondsOf(name, kMillion) > 0 && millisecondsOf(name, 4 * kMillion) > 0) {
      if (!grows) {
        out << "\nGrowth of the time from 1M to 4M triangles\n";
        grows = true;
      }
      label(name);
      out << Format("%10.2f", millisecondsOf(name, 4 * kMillion) / millisecondsOf(name, kMillion))
          << '\n';
    }
  }
  out.flush();
}
