#include "AFEdit/layout/WrapSearch.h"

#include "AFEdit/platform/Cp932.h"

int WrapTrailCount = 0;
int WrapLeadCount = 0;

void TCharSet::Assign(std::string_view S) {
  FSingle.reset();
  FLeads.reset();
  FDouble.assign(65536, false);
  for (size_t i = 0; i < S.size(); ++i) {
    const auto b = static_cast<unsigned char>(S[i]);
    if (IsLeadByte(b) && i + 1 < S.size()) {
      FLeads.set(b);
      FDouble[static_cast<size_t>(b) << 8 | static_cast<unsigned char>(S[i + 1])] = true;
      ++i;
    } else if (IsLeadByte(b)) {
      FLeads.set(b);  // a lone lead byte at the end
    } else {
      FSingle.set(b);
    }
  }
}

bool TCharSet::Contains(std::string_view Ch) const noexcept {
  if (Ch.empty()) return false;
  const auto b = static_cast<unsigned char>(Ch[0]);
  if (Ch.size() >= 2) return FDouble[static_cast<size_t>(b) << 8 | static_cast<unsigned char>(Ch[1])];
  return IsLeadByte(b) ? FLeads.test(b) : FSingle.test(b);
}

// Each rule either moves the candidate break and searches again (a tail
// step, so the search runs as a loop however far the allowances reach) or
// settles on the candidate.
int FindWrapPosIn(std::string_view S, int W, int M, const TWrapRules& Rules) {
  const int len = static_cast<int>(S.size());
  auto type = [&](int k) {  // class of byte k (1-based)
    return k >= 1 ? ByteType(S, static_cast<size_t>(k - 1)) : mbSingleByte;
  };
  for (;;) {
    if (len <= W || M >= W) return W;

    std::string_view head;
    int adj = 0;
    switch (type(W + 1)) {
      case mbLeadByte:
        head = S.substr(static_cast<size_t>(W), 2);
        break;
      case mbTrailByte:
        head = S.substr(static_cast<size_t>(W - 1), 2);
        adj = -1;
        break;
      default:
        head = S.substr(static_cast<size_t>(W), 1);
        break;
    }
    const int E = W + adj;
    std::string_view end;
    if (E >= 2 && type(E) == mbTrailByte)
      end = S.substr(static_cast<size_t>(E - 2), 2);
    else if (E >= 1)
      end = S.substr(static_cast<size_t>(E - 1), 1);

    if (Rules.BanBreak && ((Rules.BanHead && Rules.BanHead->Contains(head)) || head == "\r")) {
      if (WrapTrailCount <= Rules.TrailBytes) {  // pull the head onto this row
        WrapTrailCount += 2;
        W = E + 2;
        continue;
      }
      if (WrapLeadCount <= Rules.LeadBytes) {  // push the break back
        WrapLeadCount += 1;
        W = E - 1;
        continue;
      }
    } else if (Rules.BanBreak && Rules.BanEnd && Rules.BanEnd->Contains(end)) {
      if (WrapLeadCount <= Rules.LeadBytes) {
        WrapLeadCount += 2;
        W -= 2;
        continue;
      }
    } else if (Rules.WordWrap && Rules.WordChars && !end.empty() &&
               Rules.WordChars->test(static_cast<unsigned char>(head[0])) &&
               Rules.WordChars->test(static_cast<unsigned char>(end[0]))) {
      if (WrapLeadCount <= Rules.LeadBytes) {
        WrapLeadCount += 1;
        W -= 1;
        continue;
      }
    }
    // No rule applies, or its allowance is used up: the break stays here.
    WrapTrailCount = 0;
    WrapLeadCount = 0;
    return E;
  }
}
