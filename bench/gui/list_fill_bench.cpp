// Filling the window's slot list with 100 rows, as every refresh does. Needs a display.
#include <benchmark/benchmark.h>
#include <wx/wx.h>

#include "app/slot_manager_dlg.h"

namespace {

class BenchApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

void BM_FillSlotList(benchmark::State& state) {
    auto* window = new slotkit::app::CSlotManagerDlg([] { return std::vector<std::string>{}; });
    window->Show();
    wxTheApp->Yield(true);
    slotkit::app::SlotListView view(window->SlotList());
    std::vector<slotkit::ports::SlotRow> rows;
    for (int i = 0; i < 100; ++i) {
        rows.push_back({(i < 10 ? "0" : "") + std::to_string(i),
                        "SLOT" + std::to_string(i) + ".DAT", "BENCH   NDS", "2026/12/8 1:46:7"});
    }
    for (auto _ : state) {
        view.Show(rows);
        wxTheApp->Yield(true);  // let the list paint, as the user would see it
    }
    window->Destroy();
    wxTheApp->Yield(true);
}
BENCHMARK(BM_FillSlotList)->Unit(benchmark::kMillisecond);

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
