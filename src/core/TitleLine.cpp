#include "core/TitleLine.h"

namespace korven {

void writeTitleLine(RunContext& ctx, textio::OutputChannel& out) {
  const auto& control = ctx.model.control;
  if (control.stageCount >= 2) {
    out.write(KLAYOUT("(/,6X,'Stage No :',I2,2X,A70)"), ctx.problemCounter, ctx.model.runTitle);
  } else if (ctx.problemCounter <= 1) {
    out.write(KLAYOUT("(/,6X,A70)"), ctx.model.title);
  } else {
    out.write(KLAYOUT("(/,6X,'Long Term :',2X,A70)"), ctx.model.runTitle);
  }
}

}  // namespace korven
