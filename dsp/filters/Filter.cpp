#include "dsp/filters/Filter.h"

namespace Dsp {

Filter::~Filter() = default;

ParamValues Filter::defaultParams() const {
  ParamValues params{};
  for (int i = 0; i < paramCount(); ++i) params[i] = paramInfo(i).getDefaultValue();
  return params;
}

void Filter::setParams(const ParamValues& params) {
  // Stored only once the re-design has succeeded.
  applyParams(params);
  mParams = params;
}

int Filter::indexOfParamId(ParamKind id) const {
  int index = -1;
  for (int i = 0; i < paramCount(); ++i) {
    if (paramInfo(i).getId() == id) index = i;
  }
  return index;
}

void Filter::setParamForId(ParamKind id, double nativeValue) {
  const int index = indexOfParamId(id);
  if (index < 0) return;
  ParamValues params = mParams;
  params[index] = nativeValue;
  setParams(params);
}

void Filter::adoptParams(const Filter* other) {
  ParamValues params = defaultParams();
  if (other != nullptr) {
    for (int i = 0; i < paramCount(); ++i) {
      const ParamInfo info = paramInfo(i);
      for (int j = 0; j < other->paramCount(); ++j) {
        if (other->paramInfo(j).getId() == info.getId()) {
          params[i] = info.clamp(other->getParams()[j]);
          break;
        }
      }
    }
  }
  setParams(params);
}

}  // namespace Dsp
