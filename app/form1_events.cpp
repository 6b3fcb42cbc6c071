#include "form1_events.h"

#include "talvex/experiment/controller.h"

namespace talvex::app {

namespace {

class TControllerEvents : public IForm1Events {
 public:
  TControllerEvents(experiment::IMainWindow& window, System& system,
                    std::shared_ptr<const imagestore::TResourceManager> loader)
      : controller_(window, system, std::move(loader)) {}

  void FormCreate() override { controller_.FormCreate(); }
  void Button2Click() override { controller_.Button2Click(); }
  void Edit1Click() override { controller_.Edit1Click(); }
  void RadioButtonClick(int rating) override {
    switch (rating) {
      case 1:
        controller_.RadioButton1Click();
        break;
      case 2:
        controller_.RadioButton2Click();
        break;
      case 3:
        controller_.RadioButton3Click();
        break;
      case 4:
        controller_.RadioButton4Click();
        break;
      case 5:
        controller_.RadioButton5Click();
        break;
      default:
        break;
    }
  }
  void Timer1Timer() override { controller_.Timer1Timer(); }
  bool SetUpComplete() const override { return controller_.SetUpComplete(); }

 private:
  experiment::TExperimentController controller_;
};

}  // namespace

EventsFactory ControllerEvents(System& system, LoaderFactory makeLoader) {
  return [&system, makeLoader = std::move(makeLoader)](experiment::IMainWindow& window) {
    std::shared_ptr<const imagestore::TResourceManager> loader = makeLoader();
    return std::unique_ptr<IForm1Events>(
        std::make_unique<TControllerEvents>(window, system, std::move(loader)));
  };
}

}  // namespace talvex::app
