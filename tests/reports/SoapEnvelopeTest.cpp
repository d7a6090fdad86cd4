// The envelopes on the wire, byte for byte, and the streamed SaveFile body.

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "reports/SoapEnvelope.h"
#include "support/TestPlatform.h"

namespace vokari {
namespace {

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>";
const std::string kTail = "</soap:Body></soap:Envelope>";

TEST(SoapEnvelope, EachOperationIsWrittenExactly) {
  EXPECT_EQ(getCodeStringEnvelope(),
            kHead + "<getCodeString xmlns=\"http://tempuri.org/\" />" + kTail);
  EXPECT_EQ(getSearchPasswordEnvelope(),
            kHead + "<getSearchPassword xmlns=\"http://tempuri.org/\" />" + kTail);
  ReportForm form{"张&三", "11010119900307123X", "13800138000", "a<b>c & d"};
  EXPECT_EQ(insterEnvelope(form, "261209123456", "654321"),
            kHead +
                "<Inster xmlns=\"http://tempuri.org/\">"
                "<verification>41872093556120873349017265</verification>"
                "<name>张&amp;三</name><sex>男</sex><pass>11010119900307123X</pass>"
                "<email>email</email><raddress>Lanzo</raddress><tel>13800138000</tel>"
                "<caddress>Lanzo市</caddress><content>a&lt;b&gt;c &amp; d</content>"
                "<code>261209123456</code><password>654321</password></Inster>" +
                kTail);
  EXPECT_EQ(searchEnvelope("ab&<", "p>"),
            kHead +
                "<Search xmlns=\"http://tempuri.org/\"><code>ab&amp;&lt;</code>"
                "<password>p&gt;</password></Search>" +
                kTail);
  EXPECT_EQ(saveFileEnvelope("C1", "P1", std::string("\x00\xff\x10hello", 8)),
            kHead +
                "<SaveFile xmlns=\"http://tempuri.org/\">"
                "<verification>41872093556120873349017265</verification><code>C1</code>"
                "<password>P1</password><binData>AP8QaGVsbG8=</binData>"
                "<fileName>test.jpg</fileName></SaveFile>" +
                kTail);
}

TEST(SoapEnvelope, TypedTextThatXmlCannotCarryIsLeftOut) {
  EXPECT_EQ(xmlEscapeText(std::string("a\x01\tb\nc\rd\x1f", 9)), "a\tb\nc\rd");
  EXPECT_EQ(xmlEscapeText("\"'"), "\"'");
}

std::string readAll(SaveFileBody& body, std::size_t piece) {
  std::string out;
  std::vector<char> buffer(piece);
  for (;;) {
    long long n = body.read(out.size(), buffer.data(), buffer.size());
    EXPECT_GE(n, 0);
    if (n <= 0) break;
    out.append(buffer.data(), static_cast<std::size_t>(n));
  }
  return out;
}

TEST(SoapEnvelope, StreamedSaveFileBodyEqualsTheWholeTextByteForByte) {
  testing::TempDir dir;
  std::mt19937 random(7);
  // Sizes around the chunk boundary and the three Base64 remainders.
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3},
                           SaveFileBody::kChunkBytes - 1, SaveFileBody::kChunkBytes,
                           SaveFileBody::kChunkBytes + 1, 3 * SaveFileBody::kChunkBytes + 2}) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    std::string path = dir.path() + "/f" + std::to_string(size);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
    auto body = SaveFileBody::open(path, "C&1", "P2");
    ASSERT_TRUE(body);
    std::string whole = saveFileEnvelope("C&1", "P2", bytes);
    EXPECT_EQ(body->size(), whole.size()) << size;
    for (std::size_t piece : {std::size_t{7}, std::size_t{16384}, std::size_t{1} << 20}) {
      EXPECT_EQ(readAll(*body, piece), whole) << size << " in pieces of " << piece;
    }
  }
  EXPECT_FALSE(SaveFileBody::open(dir.path() + "/missing", "C", "P"));
  EXPECT_FALSE(SaveFileBody::open(dir.path(), "C", "P")) << "a folder is no file";
}

TEST(SoapEnvelope, StreamedBodyFailsWhenTheFileShrinksUnderIt) {
  testing::TempDir dir;
  std::string path = dir.path() + "/f";
  std::ofstream(path, std::ios::binary) << std::string(1000, 'x');
  auto body = SaveFileBody::open(path, "C", "P");
  ASSERT_TRUE(body);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "short";
  std::vector<char> buffer(body->size());
  EXPECT_EQ(body->read(0, buffer.data(), buffer.size()), -1);
}

}  // namespace
}  // namespace vokari
