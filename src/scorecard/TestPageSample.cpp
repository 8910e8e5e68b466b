#include "scorecard/TestPageSample.h"

#include "foundation/NumericJson.h"

// The boards fit their deals and their vulnerability: board 1 is the one the
// records are described with (2NT doubled one down against 3S made with an
// overtrick), the others are games made, missed or stopped short in the
// other room. The IMPs add up to the totals, 23 for the home team and 28 for
// the away team.
const std::string& TestPagePbnText()
{
    static const std::string text = "[Board \"1\"]\r\n\t\t\t"
                                    "[Deal \"N:AQ4.KJ5.KQ73.Q82 KJ9763.A8.J4.K95 82.9743.9865.J73 T5.QT62.AT2.AT64\"]\r\n\t\t\t"
                                    "[Board \"2\"]\r\n\t\t\t"
                                    "[Deal \"E:QJ962.T3.QJ5.K94 A73.AJ965.K4.Q82 T84.72.T873.AT65 K5.KQ84.A962.J73\"]\r\n\t\t\t"
                                    "[Board \"3\"]\r\n\t\t\t"
                                    "[Deal \"S:73.T874.T932.AT5 AKJ84.K62.Q5.J73 T5.QJ93.AJ6.K964 Q962.A5.K874.Q82\"]\r\n\t\t\t"
                                    "[Board \"4\"]\r\n\t\t\t"
                                    "[Deal \"W:T86.J52.T642.AJ3 KQ5.A84.KJ73.Q62 A942.QT73.A8.975 J73.K96.Q95.KT84\"]\r\n\t\t\t"
                                    "[Board \"5\"]\r\n\t\t\t"
                                    "[Deal \"N:A63.KQ5.QJ84.K72 JT85.J974.A3.T54 K94.A82.K95.J863 Q72.T63.T762.AQ9\"]\r\n\t\t\t"
                                    "[Board \"6\"]\r\n\t\t\t"
                                    "[Deal \"E:AQ5.KJ4.AQ93.J82 32.T962.864.AT74 K84.Q73.KT52.Q96 JT976.A85.J7.K53\"]";
    return text;
}

const std::string& TestPageScorecardJson()
{
    static const std::string text =
        R"({"1":"3.晨星队","2":"8.远航队",)"
        R"("3":"李明远","4":"王书涵","5":"周志强","6":"吴佳怡",)"
        R"("7":"郑浩然","8":"孙一鸣","9":"陈晓雯","10":"林子健",)"
        R"("31":"IMP,23,28;VP,7.67,12.33","_L":[)"
        R"({"1":1,"3":" ","5":{"3":"2NTX","7":"-1","9":-100},"6":{"1":1,"3":"3S","7":"+1","9":-170},"7":70,"8":"2"},)"
        R"({"1":2,"3":"|","5":{"1":2,"3":"4H","7":"+1","9":650},"6":{"3":"3H","7":"+1","9":170},"7":480,"8":"10"},)"
        R"({"1":3,"3":"-","5":{"1":3,"3":"4S","7":"=","9":-620},"6":{"1":3,"3":"2S","7":"+2","9":-170},"7":-450,"9":"10"},)"
        R"({"1":4,"3":"+","5":{"3":"3NT","7":"-1","9":-100},"6":{"1":2,"3":"2NT","7":"=","9":120},"7":-220,"9":"6"},)"
        R"({"1":5,"3":"|","5":{"1":2,"3":"3NT","7":"+2","9":660},"6":{"3":"1NT","7":"+2","9":150},"7":510,"8":"11"},)"
        R"({"1":6,"3":"-","5":{"1":1,"3":"3NT","7":"=","9":-600},"6":{"1":3,"3":"3NT","7":"-1","9":100},"7":-700,"9":"12"}]})";
    return text;
}

TeamScorecardJob MakeTestPageJob()
{
    TeamScorecardJob job;
    ParsePbn(TestPagePbnText(), job.deals);
    Json::Value scorecard;
    NumericJson::Parse(TestPageScorecardJson(), scorecard);
    job.scorecard.FromJson(scorecard);
    job.eventKind = 0;
    job.scoreLabel = kTestPageScoreLabel;
    job.caption = kTestPageCaption;
    return job;
}
