// The wanted-person data file: read as the list screen reads it, each entry turned into its
// row and its detail panel.

#include "FuzzInput.h"
#include "platform/FileManager.h"
#include "reports/WantedPersonDetailView.h"
#include "reports/WantedPersonsCell.h"
#include "reports/wantedPersonPrase.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& sandbox = fuzz::Sandbox::get();
  const std::string path = sandbox.platform.root() + "/names.json";
  if (!FileManager::writeFileAtomically(path,
                                        std::string(reinterpret_cast<const char*>(data), size)))
    return 0;
  wantedPersonPrase reader;
  reader.path = path;
  const nlohmann::json persons = reader.prase();
  if (!persons.is_array()) __builtin_trap();
  WantedPersonDetailView detail(sandbox.platform.loop);
  for (const auto& person : persons) {
    (void)WantedPersonsCell::forPerson(person).rowText();
    detail.setPersonInfo(person);
  }
  return 0;
}
