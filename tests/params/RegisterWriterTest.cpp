#include "LinkFixture.h"

namespace kdx::test {
namespace {

using RegisterWriterTest = LinkFixture;

TEST_F(RegisterWriterTest, ByteWritesSelectTheHalfOfTheMemory)
{
    image.set(layout::FuelType, 2);
    image.set(layout::AnKompSett, 0x40);
    image.set(layout::AvFuelComs, 17);
    EXPECT_TRUE(writer.writeByte(408));
    EXPECT_TRUE(writer.writeByte(409));
    EXPECT_TRUE(writer.writeByte(73));
    EXPECT_EQ(sentData(), (std::vector<Data>{{0xC2, 0x98, 0x00, 0x02}, {0xC2, 0x99, 0x00, 0x40},
                                             {0xC1, 0x49, 0x00, 17}}));
}

TEST_F(RegisterWriterTest, WordTravelsHighByteFirst)
{
    image.set(layout::GeneralDelay, 120);
    image.setByte(80, 0x0E);
    image.setByte(81, 0x5A); // not interpreted, but goes along with ConfigFlags
    EXPECT_TRUE(writer.writeWord(187));
    EXPECT_TRUE(writer.send(RegisterWrite::forField(layout::ConfigFlags)));
    EXPECT_EQ(sentData(), (std::vector<Data>{{0xD1, 0xBB, 0x00, 0x78}, {0xD1, 0x28, 0x5A, 0x0E}}));
    const auto frames = line.sentFrames();
    EXPECT_EQ(frames[0][4], static_cast<uint8_t>(0xD1 + 0xBB + 0x00 + 0x78 + 0xAA));
    EXPECT_EQ(clock.totalSlept(), 20u); // the send pause after each frame
}

TEST_F(RegisterWriterTest, DwordSendsBothWordsOfTheGroupLowFirst)
{
    image.setLogIdentity(0, 0x11223344);
    image.setLogIdentity(7, 0xA1B2C3D4);
    for (unsigned offset : {24u, 25u, 26u, 27u})
        EXPECT_TRUE(writer.writeDword(offset));
    EXPECT_TRUE(writer.send(RegisterWrite::forField(layout::LogIdentity, 7)));
    const Data low{0xD1, 12, 0x33, 0x44}, high{0xD1, 13, 0x11, 0x22};
    EXPECT_EQ(sentData(), (std::vector<Data>{low, high, low, high, low, high, low, high,
                                             {0xD1, 26, 0xC3, 0xD4}, {0xD1, 27, 0xA1, 0xB2}}));
}

TEST_F(RegisterWriterTest, SaveCommand)
{
    EXPECT_TRUE(writer.saveToEeprom());
    EXPECT_EQ(sentData(), (std::vector<Data>{{0xE1, 0, 0, 0}}));
}

TEST_F(RegisterWriterTest, NothingGoesOutBeforeTheFirstCompleteRead)
{
    state.parametersLoaded = false;
    image.set(layout::GeneralDelay, 7);
    EXPECT_FALSE(writer.writeWord(187));
    EXPECT_FALSE(writer.writeByte(408));
    EXPECT_FALSE(writer.writeDword(24));
    EXPECT_FALSE(writer.saveToEeprom());
    EXPECT_FALSE(writer.send({RegisterWrite::word(1), RegisterWrite::byte(2)}));
    EXPECT_TRUE(line.sentFrames().empty());
    EXPECT_EQ(image.raw(layout::GeneralDelay), 7u); // the image keeps the change
}

TEST_F(RegisterWriterTest, PortFailuresAreReportedButEveryFrameIsTried)
{
    line.failWrites = true;
    EXPECT_FALSE(writer.writeWord(3));
    const int attemptsBefore = line.drainCount(); // every send drains the line first
    EXPECT_FALSE(writer.writeDword(24));
    EXPECT_EQ(line.drainCount() - attemptsBefore, 2); // the second half is tried after the first failed
    line.failWrites = false;
    link.closePort();
    EXPECT_FALSE(writer.writeByte(73)); // closed port: the send simply fails
    EXPECT_TRUE(line.sentFrames().empty());
}

TEST_F(RegisterWriterTest, DwordReportsFailureWhenOnlyTheSecondHalfFails)
{
    int transmissions = 0;
    line.onTransmit = [&](const std::vector<uint8_t>&, const std::string&) {
        if (++transmissions == 1)
            line.failWrites = true; // the next frame will fail
    };
    EXPECT_FALSE(writer.writeDword(24));
    EXPECT_EQ(line.sentFrames().size(), 1u);
}

TEST_F(RegisterWriterTest, IndicesOutsideTheImageSendNothing)
{
    EXPECT_FALSE(writer.writeWord(256));
    EXPECT_FALSE(writer.writeByte(512));
    EXPECT_FALSE(writer.writeDword(512));
    EXPECT_FALSE(writer.send(RegisterWrite{}));
    EXPECT_TRUE(line.sentFrames().empty());
}

TEST_F(RegisterWriterTest, SendListGoesOutInOrder)
{
    image.setWord(201, 0x1388);
    image.setByte(78, 50);
    EXPECT_TRUE(writer.send({RegisterWrite::word(201), RegisterWrite::byte(78)}));
    EXPECT_EQ(sentData(), (std::vector<Data>{{0xD1, 0xC9, 0x13, 0x88}, {0xC1, 0x4E, 0x00, 50}}));
}

TEST_F(RegisterWriterTest, AnEditWhileNotConnectedIsRefusedAndSaidOnce)
{
    int refusals = 0;
    writer.setOnRefused([&] { ++refusals; });
    state.connected = false;
    image.setWord(201, 0x1388);
    EXPECT_FALSE(writer.send({RegisterWrite::word(201), RegisterWrite::byte(78)}));
    EXPECT_EQ(refusals, 1);
    EXPECT_TRUE(line.sentFrames().empty());
    // Nothing to send is nothing to refuse; connected again, it goes out.
    EXPECT_TRUE(writer.send(std::vector<RegisterWrite>{}));
    EXPECT_EQ(refusals, 1);
    state.connected = true;
    EXPECT_TRUE(writer.send({RegisterWrite::word(201)}));
    EXPECT_EQ(refusals, 1);
    EXPECT_EQ(line.sentFrames().size(), 1u);
}

} // namespace
} // namespace kdx::test
