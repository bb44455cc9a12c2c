// The table of the welding cases, from the runs the console report shows.
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

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The ratios numerator[n] / denominator[n] over the runs both have.
std::vector<double> PairedRatios(const std::vector<double>& numerator, const std::vector<double>& denominator) {
  std::vector<double> ratios;
  for (std::size_t n = 0; n < std::min(numerator.size(), denominator.size()); ++n) {
    ratios.push_back(numerator[n] / denominator[n]);
  }
  return ratios;
}

// The median of ratios in a column of ten, then their range: "     0.180   (0.161 to
// 0.214)", with decimals digits after the point.
std::string RatioText(int decimals, const std::vector<double>& ratios) {
  const auto [lowest, highest] = std::minmax_element(ratios.begin(), ratios.end());
  char text[64];
  std::snprintf(text, sizeof text, "%10.*f   (%.*f to %.*f)", decimals, Median(ratios), decimals, *lowest, decimals,
                *highest);
  return text;
}

// Three significant digits, enough to tell cases apart without pretending to precision
// that run-to-run noise does not have.
std::string Significant(double value) { return value >= 100 ? Format("%.0f", value) : Format("%#.3g", value); }

}  // namespace

void WeldTable::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Iteration || run.error_occurred) {
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
    Cell& cell = cells_[{name, size}];
    cell.milliseconds.push_back(run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3);
    if (const double cpu = counter("cpuMs"); cpu >= 0) {
      cell.cpuMilliseconds.push_back(cpu);
    }
    cell.peakPerCorner = counter("peakB/corner");
    cell.vertices = counter("vertices");
  }
}

namespace {

void Label(std::ostream& out, const std::string& name, std::size_t width) {
  out << name << std::string(width + 2 - name.size(), ' ');
}

}  // namespace

// Columns: the sizes in increasing order, the real mesh (size 0) last.
std::vector<int64_t> WeldTable::Sizes() const {
  std::set<int64_t> sizeSet;
  for (const auto& [key, cell] : cells_) {
    sizeSet.insert(key.second);
  }
  std::vector<int64_t> sizes(sizeSet.begin(), sizeSet.end());
  std::stable_partition(sizes.begin(), sizes.end(), [](int64_t size) { return size != 0; });
  return sizes;
}

std::vector<double> WeldTable::Runs(const std::string& name, int64_t size) const {
  const auto it = cells_.find({name, size});
  return it != cells_.end() ? it->second.milliseconds : std::vector<double>();
}

// A layer's case "F/no-L" against "F/auto", round by round.
void WeldTable::PrintLayers(std::ostream& out, const std::vector<int64_t>& sizes, std::size_t width) const {
  bool layered = false;
  for (const std::string& name : cases_) {
    const std::size_t cut = name.find("/no-");
    if (cut == std::string::npos) {
      continue;
    }
    const std::string whole = name.substr(0, cut) + "/auto";
    std::vector<std::string> texts;
    for (int64_t size : sizes) {
      const auto ratios = PairedRatios(Runs(name, size), Runs(whole, size));
      texts.push_back(ratios.empty() ? "" : Format("%+.1f%%", 100 * (Median(ratios) - 1)));
    }
    if (!layered) {
      out << "\nWhat each layer buys: time without it over time with every layer, less 1, "
             "median of the rounds\n"
          << std::string(width + 2, ' ');
      for (int64_t size : sizes) {
        out << RightAligned(SizeName(size));
      }
      out << '\n';
      layered = true;
    }
    Label(out, name, width);
    for (const std::string& text : texts) {
      out << RightAligned(text);
    }
    out << '\n';
  }
}

void WeldTable::PrintAgainstAssimp(std::ostream& out, std::size_t width) const {
  const std::string assimp = "Assimp_JoinVerticesAndTangents";
  if (const std::vector<double> reference = Runs(assimp, kMillion); !reference.empty()) {
    out << "\nAt 1M triangles, time as a share of Assimp's: median of the rounds' shares "
           "(range)\n";
    for (const std::string& name : cases_) {
      if (const auto shares = PairedRatios(Runs(name, kMillion), reference); name != assimp && !shares.empty()) {
        Label(out, name, width);
        out << RatioText(3, shares) << '\n';
      }
    }
  }
}

void WeldTable::PrintGrowth(std::ostream& out, std::size_t width) const {
  bool grows = false;
  for (const std::string& name : cases_) {
    if (const auto growths = PairedRatios(Runs(name, 4 * kMillion), Runs(name, kMillion)); !growths.empty()) {
      if (!grows) {
        out << "\nGrowth of the time from 1M to 4M triangles: median of the rounds' growths "
               "(range)\n";
        grows = true;
      }
      Label(out, name, width);
      out << RatioText(2, growths) << '\n';
    }
  }
}

void WeldTable::Finalize() {
  ConsoleReporter::Finalize();
  if (cells_.empty()) {
    return;
  }
  const std::vector<int64_t> sizes = Sizes();
  std::size_t width = 4;
  for (const std::string& name : cases_) {
    width = std::max(width, name.size());
  }

  std::ostream& out = GetOutputStream();
  const auto label = [&](const std::string& name) { Label(out, name, width); };
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

  section("Welding: median milliseconds", [](const Cell& cell) { return Significant(Median(cell.milliseconds)); });
  section("CPU time over wall time (a weld's threads together): median of the runs", [](const Cell& cell) {
    const auto shares = PairedRatios(cell.cpuMilliseconds, cell.milliseconds);
    return shares.empty() ? std::string() : Format("%.2f", Median(shares));
  });
  section("Peak heap, bytes per corner (beyond the returned arrays for this library)",
          [](const Cell& cell) { return cell.peakPerCorner < 0 ? std::string() : Format("%.1f", cell.peakPerCorner); });
  section("Welded vertices",
          [](const Cell& cell) { return cell.vertices < 0 ? std::string() : Format("%.0f", cell.vertices); });

  PrintLayers(out, sizes, width);
  PrintAgainstAssimp(out, width);
  PrintGrowth(out, width);
  out.flush();
}
