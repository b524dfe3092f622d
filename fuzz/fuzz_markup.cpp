// Fuzz target: the markup label's parser.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "Shared/Common/uEncoding.h"
#include "Shared/Components/uHtmlMarkup.h"
#include "fuzz/FuzzSupport.h"

using namespace tess;

namespace {

// Walks the tree without recursion, checking the depth rule and the parent links on the way.
void CheckTree(const gui::THtmlNode& ARoot) {
  struct TItem {
    const gui::THtmlNode* Node;
    size_t Depth;
  };
  std::vector<TItem> stack{{&ARoot, 0}};
  while (!stack.empty()) {
    const TItem item = stack.back();
    stack.pop_back();
    // The root and one level for the text after the deepest tag lie above the tag depth.
    if (item.Depth > gui::THtmlParser::MaxDepth + 2) fuzz::Fail("the markup tree is deeper than its bound");
    for (const auto& child : item.Node->Nodes()) {
      if (child->Parent() != item.Node) fuzz::Fail("a node's parent link is wrong");
      stack.push_back({child.get(), item.Depth + 1});
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::u16string text = common::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(AData), ASize));
  std::unique_ptr<gui::THtmlParser> parser = gui::CreateParser();
  parser->Parse(text);
  CheckTree(parser->Root());

  // The pieces the label uses on their own.
  std::u16string_view rest = text;
  for (int words = 0; !rest.empty() && words < 64; ++words) gui::TakeWord(rest);
  (void)gui::SplitAttributes(text);
  (void)gui::ReadColor(text);
  (void)gui::ReadInteger(text);
  return 0;
}
