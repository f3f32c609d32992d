// Site tree nodes: defaults, the filter's copy, the title order, the weak parent.
#include <gtest/gtest.h>

#include "ViewControllers/SiteTree/ChildNode.h"

namespace zelvo {
namespace {

TEST(SiteTreeNodes, ANewChildNodeIsUntitledEmptyAndNotResolving) {
  auto node = ChildNode::create();
  EXPECT_EQ(node->nodeTitle(), "Untitled");
  EXPECT_TRUE(node->children().empty());
  EXPECT_FALSE(node->domain().isNull());
  EXPECT_EQ(node->domain(), "");
  EXPECT_FALSE(node->address());
  EXPECT_FALSE(node->nodeID());
  EXPECT_TRUE(node->data().isEmpty());
  EXPECT_EQ(node->parent(), nullptr);
  EXPECT_EQ(node->index(), 0);
  EXPECT_EQ(node->cameraCount(), 0);
  EXPECT_FALSE(node->isExpanded());
  EXPECT_FALSE(node->isResolving());
  EXPECT_FALSE(node->isResolved());
  EXPECT_FALSE(node->failToResolve());
}

TEST(SiteTreeNodes, ACopySharesTheChildrenButNotTheirList) {
  auto parent = BaseNode::create();
  auto site = ChildNode::create();
  site->setNodeTitle("Shop");
  site->setParent(parent);
  site->setNodeID(QUrl("x-zelvo-store://Site/1"));
  site->setData("archive");
  site->setDomain("local");
  site->setAddress("10.0.0.1");
  site->setCameraCount(2);
  site->setCameraNumber(7);
  site->setPort(9000);
  site->setIsExpanded(true);
  site->setIsResolving(true);
  site->setIsResolved(true);
  site->setFailToResolve(true);
  for (int n = 1; n <= 2; ++n) {
    auto camera = ChildNode::create();
    camera->setIndex(n);
    camera->setParent(site);
    site->children().push_back(camera);
  }

  auto copy = ChildNode::childNodeWithNode(*site);
  EXPECT_NE(copy.get(), site.get());
  EXPECT_EQ(copy->nodeTitle(), "Shop");
  EXPECT_EQ(copy->parent(), parent);
  EXPECT_EQ(copy->nodeID(), site->nodeID());
  EXPECT_EQ(copy->data(), "archive");
  EXPECT_EQ(copy->domain(), "local");
  EXPECT_EQ(copy->address(), "10.0.0.1");
  EXPECT_EQ(copy->cameraCount(), 2);
  EXPECT_EQ(copy->cameraNumber(), 7);
  EXPECT_EQ(copy->port(), 9000);
  EXPECT_TRUE(copy->isExpanded());
  EXPECT_TRUE(copy->isResolving());
  EXPECT_TRUE(copy->isResolved());
  EXPECT_TRUE(copy->failToResolve());
  ASSERT_EQ(copy->children().size(), 2u);
  EXPECT_EQ(copy->children()[0], site->children()[0]);
  // Not added to the parent, and the children still name the original.
  EXPECT_TRUE(parent->children().empty());
  EXPECT_EQ(copy->children()[0]->parent(), site);

  copy->children().clear();
  EXPECT_EQ(site->children().size(), 2u);
}

TEST(SiteTreeNodes, TitlesCompareIgnoringCase) {
  auto abc = ChildNode::create();
  abc->setNodeTitle("abc");
  auto abd = ChildNode::create();
  abd->setNodeTitle("ABD");
  auto same = ChildNode::create();
  same->setNodeTitle("AbC");
  EXPECT_LT(abc->compare(*abd), 0);
  EXPECT_GT(abd->compare(*abc), 0);
  EXPECT_EQ(abc->compare(*same), 0);
}

TEST(SiteTreeNodes, TheArchiveKeysLeaveOutDataAndTheChildFields) {
  EXPECT_EQ(BaseNode::mutableKeys(),
            QStringList({"nodeTitle", "children", "nodeIcon", "parent", "nodeID", "isExpanded"}));
}

TEST(SiteTreeNodes, AParentAndItsChildrenDoNotKeepEachOtherAlive) {
  std::weak_ptr<BaseNode> watched;
  auto camera = ChildNode::create();
  {
    auto site = ChildNode::create();
    camera->setParent(site);
    site->children().push_back(camera);
    watched = site;
  }
  EXPECT_TRUE(watched.expired());
  EXPECT_EQ(camera->parent(), nullptr);
}

}  // namespace
}  // namespace zelvo
