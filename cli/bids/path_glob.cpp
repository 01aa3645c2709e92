#include "cli/bids/path_glob.h"

namespace quorvel::cli {

PathGlob::PathGlob(const std::string& pattern, bool anchored) {
  if (!anchored) append(Step::kFoldersStart);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '*' && i + 1 < pattern.size() && pattern[i + 1] == '*') {
      const bool slashFollows = i + 2 < pattern.size() && pattern[i + 2] == '/';
      append(slashFollows ? Step::kFoldersStart : Step::kRunAnywhere);
      i += slashFollows ? 2 : 1;
    } else if (c == '*') {
      append(Step::kRunInPart);
    } else if (c == '?') {
      append(Step::kOneInPart);
    } else {
      append(Step::kChar, c);
    }
  }
}

// Neighbouring runs that together match what one of them matches are kept
// as that one, so that a line of stars costs what a single star does and
// every other token needs a character of the path: a pattern longer than
// about twice the path is then turned down by its length alone.
void PathGlob::append(Step step, char c) {
  const auto isRun = [](Step s) { return s != Step::kChar && s != Step::kOneInPart; };
  if (isRun(step) && !tokens_.empty() && isRun(tokens_.back().step)) {
    const Step last = tokens_.back().step;
    if (last == Step::kRunAnywhere || step == Step::kRunAnywhere) {
      // "anything" next to "*" or "**/" matches just what "anything" does.
      if (last == Step::kFoldersInner) tokens_.pop_back();
      tokens_.back().step = Step::kRunAnywhere;
      return;
    }
    const bool sameRun =
        last == step || (last == Step::kFoldersInner && step == Step::kFoldersStart);
    if (sameRun) return;  // "*" "*" or "**/" "**/"
  }
  if (step == Step::kFoldersStart) {
    tokens_.push_back({Step::kFoldersStart, 0});
    tokens_.push_back({Step::kFoldersInner, 0});
    return;
  }
  if (!isRun(step)) ++shortestMatch_;
  tokens_.push_back({step, c});
}

bool PathGlob::matches(const std::string& path) const {
  if (path.size() < shortestMatch_) return false;
  // The tokens the path so far can have led to, advanced one character at
  // a time. Only the tokens reached are visited, each at most once a
  // character: a literal pattern costs the path's length, and no pattern
  // more than the path's length times the tokens that can be reached.
  const std::size_t end = tokens_.size();
  std::vector<std::size_t> now, next;
  std::vector<std::size_t> addedAt(end + 1, 0);  // the last character + 1 that reached each
  std::size_t step = 1;
  // Adds `state` and every state reachable from it without a character.
  const auto reach = [&](std::vector<std::size_t>& set, std::size_t state) {
    while (addedAt[state] != step) {
      addedAt[state] = step;
      set.push_back(state);
      if (state == end) return;
      switch (tokens_[state].step) {
        case Step::kRunInPart:
        case Step::kRunAnywhere:
          ++state;
          break;
        case Step::kFoldersStart:
          state += 2;
          break;
        default:
          return;
      }
    }
  };
  reach(now, 0);
  for (const char c : path) {
    ++step;
    next.clear();
    for (const std::size_t state : now) {
      if (state == end) continue;
      const Token& token = tokens_[state];
      switch (token.step) {
        case Step::kChar:
          if (c == token.c) reach(next, state + 1);
          break;
        case Step::kOneInPart:
          if (c != '/') reach(next, state + 1);
          break;
        case Step::kRunInPart:
          if (c != '/') reach(next, state);
          break;
        case Step::kRunAnywhere:
          reach(next, state);
          break;
        case Step::kFoldersStart:
          reach(next, c == '/' ? state : state + 1);
          break;
        case Step::kFoldersInner:
          reach(next, c == '/' ? state - 1 : state);
          break;
      }
    }
    if (next.empty()) return false;
    now.swap(next);
  }
  return addedAt[end] == step;
}

}  // namespace quorvel::cli
